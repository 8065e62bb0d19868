#pragma once

#include <QIcon>
#include <QString>

class QWidget;

// The application object. It has no loop of its own: InitInstance runs the main dialog
// modally, and the program ends when the dialog closes.
class CControlApp
{
public:
    // Builds the main dialog without a parent, makes it the main window and runs it modally;
    // the dialog, and the serial link with it, is destroyed before this returns. Returns false,
    // so that the caller ends the program.
    bool InitInstance();

    // The main dialog while InitInstance runs it; null before and after.
    QWidget* MainWnd() const { return m_pMainWnd; }

    // Icon IDR_MAINFRAME in each of its pictures, 16 x 16 to 256 x 256 pixels.
    static QIcon LoadIcon();
    // Text nId of the string table in the program's language (context "strings"); empty when
    // the table has no such string.
    static QString LoadString(int nId);

private:
    QWidget* m_pMainWnd = nullptr;
};
