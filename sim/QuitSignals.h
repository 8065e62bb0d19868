#pragma once

#include <QObject>
#include <QSocketNotifier>

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal delivered by the event loop, so that
// the program can close its line and remove its files before it ends.
class CQuitSignals : public QObject
{
    Q_OBJECT

public:
    explicit CQuitSignals(QObject* parent = nullptr);
    ~CQuitSignals() override;
    CQuitSignals(const CQuitSignals&) = delete;
    CQuitSignals& operator=(const CQuitSignals&) = delete;

    // False when the handlers could not be installed.
    bool Install();

signals:
    void Received(int signalNumber);

private:
    void OnPipe();

    QSocketNotifier m_notifier{QSocketNotifier::Read};
};
