#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

// The files an install puts beside the programs (launcher, software-centre entry, icons, manual
// pages) and the Debian changelog, read from the source tree.
namespace {

const QString kSourceDir = QStringLiteral(CORVEX_SOURCE_DIR);
const QString kAppId = QStringLiteral(CORVEX_APP_ID);
const std::string kVersion = CORVEX_VERSION;

QString SourcePath(const QString& relative)
{
    return kSourceDir + QLatin1Char('/') + relative;
}

QString ReadText(const QString& relative)
{
    QFile file(SourcePath(relative));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    return QString::fromUtf8(file.readAll());
}

struct Screenshot
{
    QUrl url;
    QSize size;
};

// What the tests need of the AppStream metainfo file.
struct Metainfo
{
    QString id;
    QString launchable;
    QString icon;
    QString binary;
    QStringList releases; // newest first, as the file lists them
    std::vector<Screenshot> screenshots;
    QString error; // the XML reader's complaint, if any
};

Metainfo ReadMetainfo()
{
    Metainfo info;
    QFile file(SourcePath(QStringLiteral("res/%1.metainfo.xml").arg(kAppId)));
    if (!file.open(QIODevice::ReadOnly)) {
        info.error = file.errorString();
        return info;
    }
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("release")) {
            info.releases.append(xml.attributes().value(QLatin1String("version")).toString());
        } else if (name == QLatin1String("image")) {
            const auto attributes = xml.attributes();
            const QSize size(attributes.value(QLatin1String("width")).toInt(),
                             attributes.value(QLatin1String("height")).toInt());
            info.screenshots.push_back({QUrl(xml.readElementText()), size});
        } else if (name == QLatin1String("id")) {
            info.id = xml.readElementText();
        } else if (name == QLatin1String("launchable")) {
            info.launchable = xml.readElementText();
        } else if (name == QLatin1String("icon")) {
            info.icon = xml.readElementText();
        } else if (name == QLatin1String("binary")) {
            info.binary = xml.readElementText();
        }
    }
    if (xml.hasError())
        info.error = xml.errorString();
    return info;
}

} // namespace

TEST(InstallFilesTest, EveryPlaceNamesTheProjectVersion)
{
    const Metainfo metainfo = ReadMetainfo();
    ASSERT_TRUE(metainfo.error.isEmpty()) << qPrintable(metainfo.error);
    ASSERT_FALSE(metainfo.releases.isEmpty());
    EXPECT_EQ(metainfo.releases.front().toStdString(), kVersion)
        << "newest release of the metainfo file";

    static const QRegularExpression reChangelog(QStringLiteral("^corvex-control \\(([^)]+)\\) "));
    EXPECT_EQ(
        reChangelog.match(ReadText(QStringLiteral("debian/changelog"))).captured(1).toStdString(),
        kVersion)
        << "top entry of debian/changelog";

    const QStringList pages = QDir(SourcePath(QStringLiteral("docs/man")))
                                  .entryList({QStringLiteral("*.1"), QStringLiteral("*.8")});
    EXPECT_FALSE(pages.isEmpty());
    static const QRegularExpression reTitle(QStringLiteral("^\\.TH .* \"Corvex Control ([^\"]+)\""),
                                            QRegularExpression::MultilineOption);
    for (const QString& page : pages) {
        EXPECT_EQ(
            reTitle.match(ReadText(QStringLiteral("docs/man/") + page)).captured(1).toStdString(),
            kVersion)
            << qPrintable(page);
    }
}

TEST(InstallFilesTest, LauncherAndMetainfoDescribeTheSameProgram)
{
    const Metainfo metainfo = ReadMetainfo();
    ASSERT_TRUE(metainfo.error.isEmpty()) << qPrintable(metainfo.error);
    EXPECT_EQ(metainfo.id.toStdString(), CORVEX_APP_ID);
    EXPECT_EQ(metainfo.launchable.toStdString(), CORVEX_APP_ID ".desktop");
    EXPECT_EQ(metainfo.binary.toStdString(), "corvex-control");

    const QString desktopPath = SourcePath(QStringLiteral("res/%1.desktop").arg(kAppId));
    ASSERT_TRUE(QFile::exists(desktopPath));
    QSettings desktop(desktopPath, QSettings::IniFormat);
    desktop.beginGroup(QStringLiteral("Desktop Entry"));
    EXPECT_EQ(desktop.value(QStringLiteral("Exec")).toString().toStdString(),
              metainfo.binary.toStdString());
    EXPECT_EQ(desktop.value(QStringLiteral("Icon")).toString().toStdString(),
              metainfo.icon.toStdString());
    EXPECT_TRUE(QFile::exists(SourcePath(QStringLiteral("res/%1.svg").arg(metainfo.icon))))
        << "the scalable icon is installed under the name the launcher asks for";
}

TEST(InstallFilesTest, ScreenshotsAreTheReadmePicturesAtTheirSizes)
{
    const Metainfo metainfo = ReadMetainfo();
    ASSERT_TRUE(metainfo.error.isEmpty()) << qPrintable(metainfo.error);
    ASSERT_FALSE(metainfo.screenshots.empty());
    for (const Screenshot& shot : metainfo.screenshots) {
        SCOPED_TRACE(qPrintable(shot.url.toString()));
        EXPECT_EQ(shot.url.scheme().toStdString(), "https");
        const QImage picture(SourcePath(QStringLiteral("docs/") + shot.url.fileName()));
        ASSERT_FALSE(picture.isNull()) << "no such picture in docs/";
        EXPECT_EQ(picture.size(), shot.size);
    }
}

// Every res/icon-SIZE.png must be the scalable picture drawn at that size, so that no size
// shows an older drawing.
class IconSizeTest : public ::testing::TestWithParam<int>
{
};

TEST_P(IconSizeTest, PictureIsTheScalableIconDrawnAtItsSize)
{
    const int nSize = GetParam();
    const QString renderer = QStandardPaths::findExecutable(QStringLiteral("rsvg-convert"));
    if (renderer.isEmpty())
        GTEST_SKIP() << "rsvg-convert is not installed (scripts/install-deps test)";

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString drawn = dir.filePath(QStringLiteral("drawn.png"));
    QProcess process;
    process.start(renderer,
                  {QStringLiteral("--width"), QString::number(nSize), QStringLiteral("--height"),
                   QString::number(nSize), SourcePath(QStringLiteral("res/corvex-control.svg")),
                   QStringLiteral("--output"), drawn});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();

    const QImage expected = QImage(drawn).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage committed = QImage(SourcePath(QStringLiteral("res/icon-%1.png").arg(nSize)))
                                 .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(committed.size(), QSize(nSize, nSize)) << "run scripts/icons";
    ASSERT_EQ(expected.size(), committed.size());
    // A small tolerance lets another version of the renderer round differently.
    int nWorst = 0;
    for (int y = 0; y < nSize; ++y) {
        for (int x = 0; x < nSize; ++x) {
            const QRgb a = expected.pixel(x, y);
            const QRgb b = committed.pixel(x, y);
            for (int shift : {0, 8, 16, 24})
                nWorst =
                    std::max(nWorst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
        }
    }
    EXPECT_LE(nWorst, 8) << "res/icon-" << nSize
                         << ".png differs from the picture: run scripts/icons";
}

INSTANTIATE_TEST_SUITE_P(AllSizes, IconSizeTest,
                         ::testing::Values(16, 22, 24, 32, 48, 64, 128, 256));
