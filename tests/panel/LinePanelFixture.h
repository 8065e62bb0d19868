#pragma once

// Panel tests that write the unit's frames by hand on a pseudo-terminal line: any 16 bytes,
// several per connection.
//
//   ConnectLine();                        // the dialog on the line, connected, the poll read
//   Show(Frame({{4, 150}, {7, 6}}));      // a code-2 frame with those bytes, read by one tick

#include "PanelFixture.h"
#include "Pty.h"

class CLinePanelFixture : public CPanelFixture
{
protected:
    // Builds the dialog on the line, clicks Connect and reads the first poll.
    void ConnectLine()
    {
        ASSERT_TRUE(m_pty.Open()) << m_pty.ErrorString().toStdString();
        SetPorts({m_pty.SlavePath()});
        CreateDialog();
        Connect();
        ASSERT_EQ(m_pty.ReadMaster(1000), QByteArray("w"));
    }

    // A frame of a code-2 transmitter with nothing set; tests change the bytes they examine.
    static QByteArray Frame(std::initializer_list<std::pair<int, int>> bytes)
    {
        QByteArray frame(16, '\0');
        frame[13] = 2;
        for (const auto& [nOffset, nValue] : bytes)
            frame[nOffset] = char(nValue);
        return frame;
    }

    // Sends a frame down the line and lets one tick read it.
    void Show(const QByteArray& frame)
    {
        m_pty.WriteMaster(frame);
        ASSERT_TRUE(TickFrame());
        ASSERT_EQ(m_pty.ReadMaster(1000), QByteArray("w"));
    }

    CPty m_pty;
};
