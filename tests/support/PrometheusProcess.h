#pragma once

#include "DaemonProcess.h"

// The system's Prometheus server, scraping one target every second and evaluating its rules as
// often, its database in the temporary folder.
class CPrometheusProcess : public CDaemonProcess
{
public:
    static QString Program() { return FindProgram(QStringLiteral("prometheus")); }

    // Starts the server on a free port, scraping strTarget ("127.0.0.1:8470") as job "corvex",
    // with the rules of the file strRules when given, and waits until it listens; false with
    // ErrorString() otherwise.
    bool Start(const QString& strTarget, const QString& strRules = QString())
    {
        return Run(QStringLiteral("prometheus"), 0, [&](quint16 nListen) {
            const QString strRuleFiles =
                strRules.isEmpty() ? QString()
                                   : QStringLiteral("rule_files:\n  - '%1'\n").arg(strRules);
            const QString strConfig = WriteFile(QStringLiteral("prometheus.yml"),
                                                QStringLiteral("global:\n"
                                                               "  scrape_interval: 1s\n"
                                                               "  scrape_timeout: 1s\n"
                                                               "  evaluation_interval: 1s\n"
                                                               "%2"
                                                               "scrape_configs:\n"
                                                               "  - job_name: corvex\n"
                                                               "    static_configs:\n"
                                                               "      - targets: ['%1']\n")
                                                    .arg(strTarget, strRuleFiles));
            return QStringList{QStringLiteral("--config.file=") + strConfig,
                               QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(nListen),
                               QStringLiteral("--storage.tsdb.path=") +
                                   TempPath(QStringLiteral("data")),
                               QStringLiteral("--log.level=warn")};
        });
    }
};
