#pragma once

#include <QHttpServer>
#include <QHttpServerResponse>
#include <QObject>

#include <memory>

class CAgent;
class CHttpListener;
class CUnitPoller;
class QHttpServerRequest;

// The agent's HTTP interface, answered from memory (the last decoded frames, the event log)
// and never by touching a line:
//   GET  /metrics                          Prometheus text format
//   GET  /api/v1/units                     {"units": [unit, ...]}
//   GET  /api/v1/units/NAME                unit: the reading object plus name, port, state...
//   GET  /api/v1/events?since=ID&limit=N   {"events": [...], "last_id": ID}
//   POST /api/v1/units/NAME/commands       {"command": "mute"}, Authorization: Bearer TOKEN
// A command answers 202 once its byte went to the line; 403 while commands are off, 401 for a
// missing or wrong token, 404 for an unknown unit, 400 for a malformed body, 413 for a body
// over kMaxBodyBytes, 409 while the unit is not online (or a power command to a unit without
// power buttons), 429 while the pause after the previous command to that unit runs.
class CHttpApi : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype kMaxBodyBytes = 1024;
    static constexpr int kDefaultEventLimit = 100;

    // Serves on a listener that is already listening.
    CHttpApi(CAgent& agent, std::unique_ptr<CHttpListener> pListener, QObject* pParent = nullptr);
    ~CHttpApi() override;

    quint16 Port() const;

private:
    QHttpServerResponse Metrics(const QHttpServerRequest& request) const;
    QHttpServerResponse UnitList(const QHttpServerRequest& request) const;
    QHttpServerResponse UnitDetail(const QString& strName, const QHttpServerRequest& request) const;
    QHttpServerResponse Events(const QHttpServerRequest& request) const;
    QHttpServerResponse Command(const QString& strName, const QHttpServerRequest& request) const;
    QJsonObject UnitObject(const CUnitPoller& unit) const;
    bool TokenMatches(const QHttpServerRequest& request) const;
    void RecordRefusal(const QString& strUnit, const QHttpServerRequest& request,
                       const QString& strWhy) const;

    CAgent& m_agent;
    QHttpServer m_server;
    quint16 m_nPort = 0;
};
