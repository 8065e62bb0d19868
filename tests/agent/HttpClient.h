#pragma once

#include "WaitUntil.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <memory>

// One HTTP exchange with a server on 127.0.0.1, run on the event loop until it ends.
struct HttpReply
{
    int nStatus = 0; // 0: no answer (refused, cut off, timed out)
    QByteArray body;
    QByteArray contentType;
    QList<QNetworkReply::RawHeaderPair> headers;

    QJsonObject Json() const { return QJsonDocument::fromJson(body).object(); }
    QByteArray Header(const QByteArray& name) const
    {
        for (const auto& [key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return QByteArray();
    }
};

class CHttpClient
{
public:
    explicit CHttpClient(quint16 nPort = 0) : m_nPort(nPort) {}
    void SetPort(quint16 nPort) { m_nPort = nPort; }

    HttpReply Get(const QString& strPath, int nTimeoutMs = 5000)
    {
        return Run(m_manager.get(Request(strPath)), nTimeoutMs);
    }

    HttpReply Send(const QByteArray& verb, const QString& strPath, const QByteArray& body,
                   const QByteArray& token = QByteArray(), int nTimeoutMs = 5000)
    {
        QNetworkRequest request = Request(strPath);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        if (!token.isNull())
            request.setRawHeader("Authorization", "Bearer " + token);
        return Run(m_manager.sendCustomRequest(request, verb, body), nTimeoutMs);
    }

    HttpReply Post(const QString& strPath, const QByteArray& body,
                   const QByteArray& token = QByteArray())
    {
        return Send("POST", strPath, body, token);
    }

private:
    QNetworkRequest Request(const QString& strPath) const
    {
        QNetworkRequest request(
            QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_nPort).arg(strPath)));
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        return request;
    }

    static HttpReply Run(QNetworkReply* pRaw, int nTimeoutMs)
    {
        std::unique_ptr<QNetworkReply> pReply(pRaw);
        HttpReply reply;
        if (!WaitUntil([&] { return pReply->isFinished(); }, nTimeoutMs)) {
            pReply->abort();
            return reply;
        }
        reply.nStatus = pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        reply.body = pReply->readAll();
        reply.contentType = pReply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
        reply.headers = pReply->rawHeaderPairs();
        return reply;
    }

    QNetworkAccessManager m_manager;
    quint16 m_nPort;
};
