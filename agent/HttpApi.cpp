#include "HttpApi.h"

#include "Agent.h"
#include "HttpListener.h"
#include "Metrics.h"
#include "Protocol.h"
#include "ReadingJson.h"
#include "UnitPoller.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QHttpServerRequest>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using Method = QHttpServerRequest::Method;
using Status = QHttpServerResponder::StatusCode;

QHttpServerResponse Error(Status status, const QString& strMessage)
{
    return QHttpServerResponse(QJsonObject{{QStringLiteral("error"), strMessage}}, status);
}

QHttpServerResponse NotAllowed(const char* pszAllowed)
{
    QHttpServerResponse response =
        Error(Status::MethodNotAllowed, QStringLiteral("use %1").arg(QLatin1String(pszAllowed)));
    response.setHeader("Allow", pszAllowed);
    return response;
}

QByteArray Header(const QHttpServerRequest& request, const QByteArray& name)
{
    for (const auto& [key, value] : request.headers()) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return QByteArray();
}

// Both sides are hashed first, so that the comparison takes as long for any token, right or
// wrong, of any length.
bool SameSecret(const QByteArray& given, const QByteArray& expected)
{
    const QByteArray a = QCryptographicHash::hash(given, QCryptographicHash::Sha256);
    const QByteArray b = QCryptographicHash::hash(expected, QCryptographicHash::Sha256);
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

// A non-negative whole number from the query, or the default when the key is absent.
bool QueryNumber(const QHttpServerRequest& request, const QString& strKey, qint64 nDefault,
                 qint64& nValue)
{
    const QUrlQuery query = request.query();
    if (!query.hasQueryItem(strKey)) {
        nValue = nDefault;
        return true;
    }
    bool bOk = false;
    const QString strText = query.queryItemValue(strKey);
    nValue = strText.toLongLong(&bOk, 10);
    return bOk && nValue >= 0 && !strText.startsWith(QLatin1Char('+'));
}

} // namespace

CHttpApi::CHttpApi(CAgent& agent, std::unique_ptr<CHttpListener> pListener, QObject* pParent)
    : QObject(pParent), m_agent(agent), m_nPort(pListener->serverPort())
{
    m_server.route(QStringLiteral("/metrics"),
                   [this](const QHttpServerRequest& request) { return Metrics(request); });
    m_server.route(QStringLiteral("/api/v1/units"),
                   [this](const QHttpServerRequest& request) { return UnitList(request); });
    m_server.route(QStringLiteral("/api/v1/units/<arg>"),
                   [this](const QString& strName, const QHttpServerRequest& request) {
                       return UnitDetail(strName, request);
                   });
    m_server.route(QStringLiteral("/api/v1/units/<arg>/commands"),
                   [this](const QString& strName, const QHttpServerRequest& request) {
                       return Command(strName, request);
                   });
    m_server.route(QStringLiteral("/api/v1/events"),
                   [this](const QHttpServerRequest& request) { return Events(request); });
    m_server.bind(pListener.release());
}

CHttpApi::~CHttpApi() = default;

quint16 CHttpApi::Port() const
{
    return m_nPort;
}

QHttpServerResponse CHttpApi::Metrics(const QHttpServerRequest& request) const
{
    if (request.method() != Method::Get)
        return NotAllowed("GET");
    return QHttpServerResponse(
        "text/plain; version=0.0.4; charset=utf-8",
        MetricsText(m_agent.Units(), m_agent.Events().StoreUp(), CORVEX_VERSION));
}

QHttpServerResponse CHttpApi::UnitList(const QHttpServerRequest& request) const
{
    if (request.method() != Method::Get)
        return NotAllowed("GET");
    QJsonArray units;
    for (const CUnitPoller* pUnit : m_agent.Units())
        units.append(UnitObject(*pUnit));
    return QHttpServerResponse(QJsonObject{{QStringLiteral("units"), units}});
}

QHttpServerResponse CHttpApi::UnitDetail(const QString& strName,
                                         const QHttpServerRequest& request) const
{
    if (request.method() != Method::Get)
        return NotAllowed("GET");
    const CUnitPoller* pUnit = m_agent.FindUnit(strName);
    if (!pUnit)
        return Error(Status::NotFound, QStringLiteral("no unit '%1'").arg(strName));
    return QHttpServerResponse(UnitObject(*pUnit));
}

QHttpServerResponse CHttpApi::Events(const QHttpServerRequest& request) const
{
    if (request.method() != Method::Get)
        return NotAllowed("GET");
    qint64 nSince = 0;
    qint64 nLimit = 0;
    if (!QueryNumber(request, QStringLiteral("since"), 0, nSince))
        return Error(Status::BadRequest, QStringLiteral("since is an event id, 0 or more"));
    if (!QueryNumber(request, QStringLiteral("limit"), kDefaultEventLimit, nLimit) || nLimit < 1 ||
        nLimit > CEventLog::kMaxQuery)
        return Error(Status::BadRequest,
                     QStringLiteral("limit is 1 to %1").arg(CEventLog::kMaxQuery));
    QJsonArray events;
    for (const AgentEvent& event : m_agent.Events().Since(nSince, int(nLimit)))
        events.append(event.ToJson());
    return QHttpServerResponse(QJsonObject{{QStringLiteral("events"), events},
                                           {QStringLiteral("last_id"), m_agent.Events().LastId()}});
}

QHttpServerResponse CHttpApi::Command(const QString& strName,
                                      const QHttpServerRequest& request) const
{
    if (request.method() != Method::Post)
        return NotAllowed("POST");
    if (request.body().size() > kMaxBodyBytes)
        return Error(Status::PayloadTooLarge,
                     QStringLiteral("a command body is at most %1 bytes").arg(kMaxBodyBytes));
    CUnitPoller* pUnit = m_agent.FindUnit(strName);
    if (!m_agent.Config().bCommands) {
        if (pUnit)
            RecordRefusal(strName, request, QStringLiteral("commands are disabled"));
        return Error(Status::Forbidden, QStringLiteral("commands are disabled on this agent"));
    }
    if (!TokenMatches(request)) {
        if (pUnit)
            RecordRefusal(strName, request, QStringLiteral("missing or wrong token"));
        QHttpServerResponse response =
            Error(Status::Unauthorized, QStringLiteral("a valid bearer token is needed"));
        response.setHeader("WWW-Authenticate", "Bearer");
        return response;
    }
    if (!pUnit)
        return Error(Status::NotFound, QStringLiteral("no unit '%1'").arg(strName));

    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(request.body(), &parseError);
    const QJsonObject body = document.object();
    if (parseError.error != QJsonParseError::NoError || !document.isObject() || body.size() != 1 ||
        !body.value(QStringLiteral("command")).isString())
        return Error(Status::BadRequest,
                     QStringLiteral("the body is {\"command\": NAME} and nothing else"));
    const QString strCommand = body.value(QStringLiteral("command")).toString();
    const Command::Named* pCommand = Command::Find(strCommand);
    if (!pCommand)
        return Error(Status::BadRequest,
                     QStringLiteral("unknown command; known: ") + Command::Names());

    const CUnitPoller::CommandResult result =
        pUnit->SendCommand(*pCommand, QStringLiteral("http"), request.remoteAddress().toString());
    switch (result) {
    case CUnitPoller::CommandResult::Written:
        return QHttpServerResponse(QJsonObject{{QStringLiteral("unit"), strName},
                                               {QStringLiteral("command"), strCommand},
                                               {QStringLiteral("accepted"), true}},
                                   Status::Accepted);
    case CUnitPoller::CommandResult::Busy: {
        QHttpServerResponse response = Error(Status::TooManyRequests, CUnitPoller::Refusal(result));
        response.setHeader("Retry-After", "1");
        return response;
    }
    default:
        return Error(Status::Conflict, CUnitPoller::Refusal(result));
    }
}

QJsonObject CHttpApi::UnitObject(const CUnitPoller& unit) const
{
    const bool bOnline = unit.GetState() == CUnitPoller::State::Online;
    QJsonObject object = ReadingJson(unit.Frame());
    if (!bOnline) {
        for (auto it = object.begin(); it != object.end(); ++it)
            it.value() = QJsonValue::Null;
    }
    const UnitConfig* pConfig = m_agent.Config().FindUnit(unit.Name());
    object.insert(QStringLiteral("name"), unit.Name());
    object.insert(QStringLiteral("port"), unit.Config().strPort);
    object.insert(QStringLiteral("state"), CUnitPoller::StateName(unit.GetState()));
    object.insert(
        QStringLiteral("state_since"),
        QDateTime::fromMSecsSinceEpoch(unit.StateSinceMs(), Qt::UTC).toString(Qt::ISODateWithMs));
    object.insert(QStringLiteral("frames"), qint64(unit.Frames()));
    object.insert(QStringLiteral("missed_polls"), qint64(unit.MissedPolls()));
    object.insert(QStringLiteral("last_frame_age_s"),
                  unit.HasFrame() ? QJsonValue(double(unit.FrameAgeMs()) / 1000.0)
                                  : QJsonValue(QJsonValue::Null));
    object.insert(QStringLiteral("share"), pConfig && pConfig->share.IsSet()
                                               ? QJsonValue(pConfig->share.ToString())
                                               : QJsonValue(QJsonValue::Null));
    return object;
}

bool CHttpApi::TokenMatches(const QHttpServerRequest& request) const
{
    const QByteArray authorization = Header(request, "Authorization").trimmed();
    const QByteArray scheme("bearer ");
    if (authorization.size() <= scheme.size() ||
        authorization.left(scheme.size()).toLower() != scheme)
        return false;
    const QByteArray token = authorization.mid(scheme.size()).trimmed();
    const QByteArray expected = m_agent.Config().strToken.toUtf8();
    return !expected.isEmpty() && SameSecret(token, expected);
}

void CHttpApi::RecordRefusal(const QString& strUnit, const QHttpServerRequest& request,
                             const QString& strWhy) const
{
    // Only a known command name goes into the event: the body is the client's, not ours.
    const QJsonValue command =
        QJsonDocument::fromJson(request.body()).object().value(QStringLiteral("command"));
    const Command::Named* pCommand = Command::Find(command.toString());
    m_agent.Events().Add(strUnit, QStringLiteral("command"),
                         AgentEvent::CommandValues(
                             pCommand ? QLatin1String(pCommand->pszName) : QString(),
                             QStringLiteral("http"), request.remoteAddress().toString(), strWhy));
}
