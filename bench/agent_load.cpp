// What one corvex-agent costs while it watches many units: N simulators on pseudo-terminals
// playing units on the air, each polled ten times a second by one agent process, and /metrics
// scraped once a second as a Prometheus server would. Measures the agent process alone (the
// simulators' own cost is not counted): frames per second per unit, missed ticks, CPU time as a
// share of one core, resident memory, and how long /metrics takes to answer. Run by
// scripts/bench-agent.
//
// Usage: agent_load --agent PATH --sim PATH --units N --seconds S [--header]

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <numeric>
#include <vector>

#include <sys/prctl.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const QString& strMessage)
{
    std::fprintf(stderr, "agent_load: %s\n", qUtf8Printable(strMessage));
    std::exit(1);
}

// A child that ends with this program, even when it dies.
void StartChild(QProcess& process, const QString& strProgram, const QStringList& args,
                const QString& strErrorFile = QString())
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(strErrorFile.isEmpty() ? QProcess::nullDevice() : strErrorFile);
    process.start(strProgram, args);
    if (!process.waitForStarted(10000))
        Fail(QStringLiteral("%1 does not start: %2").arg(strProgram, process.errorString()));
}

quint16 FreePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

// CPU time (user and system) of a process, in seconds.
double CpuSeconds(qint64 nPid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(nPid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // Fields after the command name, which ends with ')': state is the first, utime the 12th.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) /
           double(::sysconf(_SC_CLK_TCK));
}

// Resident memory of a process, in kilobytes.
qint64 ResidentKb(qint64 nPid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(nPid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

// One kept-alive HTTP connection to the agent, as a Prometheus server holds one.
class CScraper
{
public:
    explicit CScraper(quint16 nPort) : m_nPort(nPort) {}

    // The body of GET /metrics and how long the answer took, in microseconds; empty on failure.
    QByteArray Get(qint64& nMicroseconds)
    {
        if (m_socket.state() != QAbstractSocket::ConnectedState) {
            m_socket.connectToHost(QHostAddress::LocalHost, m_nPort);
            if (!m_socket.waitForConnected(5000))
                return QByteArray();
        }
        QElapsedTimer timer;
        timer.start();
        m_socket.write("GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QByteArray received;
        qsizetype nHeaderEnd = -1;
        qsizetype nLength = -1;
        while (nLength < 0 || received.size() < nHeaderEnd + 4 + nLength) {
            if (!m_socket.waitForReadyRead(5000)) {
                m_socket.abort();
                return QByteArray();
            }
            received += m_socket.readAll();
            if (nLength < 0 && (nHeaderEnd = received.indexOf("\r\n\r\n")) >= 0) {
                static const QRegularExpression reLength(
                    QStringLiteral("\r\ncontent-length: *(\\d+)"),
                    QRegularExpression::CaseInsensitiveOption);
                const auto match = reLength.match(QString::fromLatin1(received.left(nHeaderEnd)));
                if (!match.hasMatch())
                    Fail(QStringLiteral("/metrics answered without a length"));
                nLength = match.captured(1).toLongLong();
            }
        }
        nMicroseconds = timer.nsecsElapsed() / 1000;
        return received.mid(nHeaderEnd + 4, nLength);
    }

private:
    quint16 m_nPort;
    QTcpSocket m_socket;
};

// One counter or gauge per unit, read from the exposition.
std::map<QString, double> PerUnit(const QByteArray& metrics, const char* pszName)
{
    std::map<QString, double> values;
    const QByteArray prefix = QByteArray(pszName) + "{unit=\"";
    for (const QByteArray& line : metrics.split('\n')) {
        if (!line.startsWith(prefix))
            continue;
        const qsizetype nQuote = line.indexOf('"', prefix.size());
        values[QString::fromUtf8(line.mid(prefix.size(), nQuote - prefix.size()))] =
            line.mid(line.lastIndexOf(' ') + 1).toDouble();
    }
    return values;
}

double Percentile(std::vector<qint64> values, double dShare)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t nIndex = std::min(values.size() - 1, size_t(dShare * double(values.size())));
    return double(values[nIndex]);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption optionAgent(QStringLiteral("agent"), QStringLiteral("corvex-agent"),
                                         QStringLiteral("PATH"));
    const QCommandLineOption optionSim(QStringLiteral("sim"), QStringLiteral("corvex-sim"),
                                       QStringLiteral("PATH"));
    const QCommandLineOption optionUnits(QStringLiteral("units"), QStringLiteral("units"),
                                         QStringLiteral("N"));
    const QCommandLineOption optionSeconds(QStringLiteral("seconds"),
                                           QStringLiteral("measured time"), QStringLiteral("S"));
    const QCommandLineOption optionHeader(QStringLiteral("header"),
                                          QStringLiteral("print the table's header first"));
    parser.addOptions({optionAgent, optionSim, optionUnits, optionSeconds, optionHeader});
    parser.process(app);
    const int nUnits = parser.value(optionUnits).toInt();
    const int nSeconds = parser.value(optionSeconds).toInt();
    if (nUnits < 1 || nSeconds < 1 || !parser.isSet(optionAgent) || !parser.isSet(optionSim))
        Fail(QStringLiteral("usage: agent_load --agent PATH --sim PATH --units N --seconds S"));

    QTemporaryDir dir;
    if (!dir.isValid())
        Fail(QStringLiteral("no temporary folder"));
    const quint16 nHttpPort = FreePort();
    QString strConfig = QStringLiteral("[agent]\nhttp = 127.0.0.1:%1\n").arg(nHttpPort);
    std::vector<std::unique_ptr<QProcess>> sims;
    for (int i = 0; i < nUnits; ++i) {
        const QString strName = QStringLiteral("u%1").arg(i, 3, 10, QLatin1Char('0'));
        const QString strLine = dir.filePath(strName);
        sims.push_back(std::make_unique<QProcess>());
        // Units on the air: readings that change with every reply, each unit its own sequence.
        StartChild(*sims.back(), parser.value(optionSim),
                   {QStringLiteral("--link"), strLine, QStringLiteral("--live"),
                    QStringLiteral("--seed"), QString::number(i + 1)});
        strConfig += QStringLiteral("[%1]\nport = %2\n").arg(strName, strLine);
    }
    for (int i = 0; i < nUnits; ++i) {
        const QString strLine = dir.filePath(QStringLiteral("u%1").arg(i, 3, 10, QLatin1Char('0')));
        QElapsedTimer wait;
        wait.start();
        while (!QFileInfo::exists(strLine)) {
            if (wait.elapsed() > 30000)
                Fail(QStringLiteral("no simulator at %1").arg(strLine));
            QThread::msleep(10);
        }
    }
    QFile config(dir.filePath(QStringLiteral("agent.conf")));
    if (!config.open(QIODevice::WriteOnly))
        Fail(config.errorString());
    config.write(strConfig.toUtf8());
    config.close();

    QProcess agent;
    StartChild(agent, parser.value(optionAgent), {QStringLiteral("--config"), config.fileName()},
               dir.filePath(QStringLiteral("agent.log")));
    CScraper scraper(nHttpPort);
    qint64 nMicroseconds = 0;
    QElapsedTimer wait;
    wait.start();
    for (;;) {
        QThread::msleep(200);
        const auto up = PerUnit(scraper.Get(nMicroseconds), "corvex_link_up");
        if (int(std::count_if(up.begin(), up.end(), [](const auto& u) { return u.second == 1; })) ==
            nUnits)
            break;
        if (wait.elapsed() > 60000)
            Fail(QStringLiteral("not every unit came online within 60 s"));
    }
    QThread::sleep(3); // every unit past its first frames

    const qint64 nPid = agent.processId();
    QElapsedTimer clock;
    const QByteArray first = scraper.Get(nMicroseconds);
    clock.start();
    const double dCpuStart = CpuSeconds(nPid);
    const qint64 nRssStart = ResidentKb(nPid);
    qint64 nRssMax = nRssStart;
    std::vector<qint64> latencies;
    QByteArray last;
    for (int s = 1; s <= nSeconds; ++s) {
        const qint64 nWait = qint64(s) * 1000 - clock.elapsed();
        if (nWait > 0)
            QThread::msleep(static_cast<unsigned long>(nWait));
        last = scraper.Get(nMicroseconds);
        if (last.isEmpty())
            Fail(QStringLiteral("/metrics did not answer"));
        latencies.push_back(nMicroseconds);
        nRssMax = std::max(nRssMax, ResidentKb(nPid));
    }
    const double dElapsed = double(clock.elapsed()) / 1000.0;
    const double dCpu = CpuSeconds(nPid) - dCpuStart;
    const qint64 nRssEnd = ResidentKb(nPid);

    const auto framesBefore = PerUnit(first, "corvex_frames_total");
    const auto framesAfter = PerUnit(last, "corvex_frames_total");
    const auto missedBefore = PerUnit(first, "corvex_missed_polls_total");
    const auto missedAfter = PerUnit(last, "corvex_missed_polls_total");
    std::vector<double> rates;
    double dMissed = 0;
    for (const auto& [strUnit, dFrames] : framesAfter) {
        rates.push_back((dFrames - framesBefore.at(strUnit)) / dElapsed);
        dMissed += missedAfter.at(strUnit) - missedBefore.at(strUnit);
    }
    const double dMinRate = *std::min_element(rates.begin(), rates.end());
    const double dMeanRate =
        std::accumulate(rates.begin(), rates.end(), 0.0) / double(rates.size());

    if (parser.isSet(optionHeader)) {
        std::printf("| units | seconds | frames/s per unit, min / mean | missed ticks | CPU, share "
                    "of one core | resident memory, start / end / max | /metrics p50 / p99 / "
                    "max |\n");
        std::printf("|---:|---:|---|---:|---:|---|---|\n");
    }
    std::printf("| %d | %.0f | %.2f / %.2f | %.0f | %.2f %% | %.1f / %.1f / %.1f MB | %.2f / "
                "%.2f / %.2f ms |\n",
                nUnits, dElapsed, dMinRate, dMeanRate, dMissed, 100.0 * dCpu / dElapsed,
                double(nRssStart) / 1024.0, double(nRssEnd) / 1024.0, double(nRssMax) / 1024.0,
                Percentile(latencies, 0.5) / 1000.0, Percentile(latencies, 0.99) / 1000.0,
                double(*std::max_element(latencies.begin(), latencies.end())) / 1000.0);
    std::fflush(stdout);

    agent.terminate();
    agent.waitForFinished(10000);
    for (const auto& pSim : sims)
        pSim->terminate();
    for (const auto& pSim : sims)
        pSim->waitForFinished(5000);
    return 0;
}
