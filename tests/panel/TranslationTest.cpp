#include "AboutDlg.h"
#include "CaptionClipping.h"
#include "ControlApp.h"
#include "DialogTemplate.h"
#include "LinePanelFixture.h"
#include "Translations.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

namespace {

const char* const kLanguages[] = {"de", "es"};

QString TsPath(const char* pszLanguage)
{
    return QStringLiteral(CORVEX_SOURCE_DIR "/res/translations/corvex-control_%1.ts")
        .arg(QLatin1String(pszLanguage));
}

// One message of a .ts file.
struct TsMessage
{
    QString strContext;
    QString strSource;
    QString strComment; // the disambiguation, part of the message's identity
    QString strTranslation;
    QString strType; // "unfinished", "vanished", "obsolete", or empty for a finished one
};

using MessageKey = std::tuple<QString, QString, QString>;

// The messages of a .ts file by context, source and disambiguation; false when it does not read.
bool ReadTs(const QString& strPath, std::map<MessageKey, TsMessage>& messages, QString& strLanguage)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader xml(&file);
    QString strContext;
    TsMessage message;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("TS"))
            strLanguage = xml.attributes().value(QLatin1String("language")).toString();
        else if (name == QLatin1String("name"))
            strContext = xml.readElementText();
        else if (name == QLatin1String("message"))
            message = TsMessage{strContext, {}, {}, {}, {}};
        else if (name == QLatin1String("source"))
            message.strSource = xml.readElementText();
        else if (name == QLatin1String("comment"))
            message.strComment = xml.readElementText();
        else if (name == QLatin1String("translation")) {
            message.strType = xml.attributes().value(QLatin1String("type")).toString();
            message.strTranslation = xml.readElementText();
            messages[{message.strContext, message.strSource, message.strComment}] = message;
        }
    }
    return !xml.hasError();
}

// The %1, %2, ... markers of a QString::arg text, sorted.
std::multiset<QString> ArgMarkers(const QString& strText)
{
    static const QRegularExpression reMarker(QStringLiteral("%[1-9]"));
    std::multiset<QString> markers;
    for (const QRegularExpressionMatch& match : reMarker.globalMatch(strText))
        markers.insert(match.captured());
    return markers;
}

TEST(TranslationFilesTest, EveryTextHasAFinishedTranslationThatKeepsItsMarkers)
{
    std::map<MessageKey, TsMessage> german;
    for (const char* pszLanguage : kLanguages) {
        SCOPED_TRACE(pszLanguage);
        std::map<MessageKey, TsMessage> messages;
        QString strLanguage;
        ASSERT_TRUE(ReadTs(TsPath(pszLanguage), messages, strLanguage));
        EXPECT_EQ(strLanguage, QLatin1String(pszLanguage));
        EXPECT_GT(messages.size(), 50u);
        for (const auto& [key, message] : messages) {
            const std::string strWhat =
                (message.strContext + " \"" + message.strSource + "\"").toStdString();
            EXPECT_TRUE(message.strType.isEmpty())
                << strWhat << " is " << message.strType.toStdString();
            EXPECT_FALSE(message.strTranslation.trimmed().isEmpty()) << strWhat;
            // QString::arg texts keep their markers, printf formats their conversions, and a
            // caption with a mnemonic keeps one.
            if (!ArgMarkers(message.strSource).empty()) {
                EXPECT_EQ(ArgMarkers(message.strSource), ArgMarkers(message.strTranslation))
                    << strWhat;
            } else {
                QStringList source, translated;
                EXPECT_TRUE(CTranslations::Conversions(message.strSource, source)) << strWhat;
                EXPECT_TRUE(CTranslations::Conversions(message.strTranslation, translated))
                    << strWhat;
                EXPECT_EQ(source, translated) << strWhat;
            }
            EXPECT_EQ(message.strSource.count(QLatin1Char('&')) > 0,
                      message.strTranslation.count(QLatin1Char('&')) == 1)
                << strWhat;
        }
        // Both languages translate the same texts.
        if (german.empty()) {
            german = messages;
        } else {
            EXPECT_EQ(messages.size(), german.size());
            for (const auto& entry : german)
                EXPECT_EQ(messages.count(entry.first), 1u)
                    << std::get<0>(entry.first).toStdString() << " \""
                    << std::get<1>(entry.first).toStdString() << "\"";
        }
    }
}

// Every caption that the templates' builder shows is a text of its template's context, as the
// captions that lupdate is given are written from the same files.
TEST(TranslationFilesTest, TemplateCaptionsAreTextsOfTheirTemplate)
{
    std::map<MessageKey, TsMessage> messages;
    QString strLanguage;
    ASSERT_TRUE(ReadTs(TsPath("de"), messages, strLanguage));
    for (const char* pszTemplate : {":/dialog100.rc", ":/dialog102.rc"}) {
        CDialogTemplate dlgTemplate;
        ASSERT_TRUE(dlgTemplate.Load(QString::fromLatin1(pszTemplate)));
        const QString strContext = QString::fromLatin1(dlgTemplate.TranslationContext());
        QStringList captions{dlgTemplate.Caption()};
        for (const ControlTemplate& ctl : dlgTemplate.Controls())
            if (ctl.strClass == QLatin1String("BUTTON") || ctl.strClass == QLatin1String("STATIC"))
                captions << ctl.strText;
        for (const QString& strCaption : captions) {
            if (strCaption.contains(QRegularExpression(QStringLiteral("[A-Za-z]")))) {
                EXPECT_EQ(messages.count({strContext, strCaption, QString()}), 1u)
                    << strContext.toStdString() << " \"" << strCaption.toStdString() << "\"";
            }
        }
    }
    EXPECT_EQ(messages.count(
                  {QStringLiteral("strings"), CControlApp::LoadString(IDS_ABOUTBOX), QString()}),
              1u);
}

// lupdate, run on the sources as the build runs it, changes nothing: no text of the program is
// missing from the translations, none is left over.
TEST(TranslationFilesTest, TranslationsAreUpToDateWithTheSources)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* pszLanguage : kLanguages) {
        SCOPED_TRACE(pszLanguage);
        const QString strCopy = dir.filePath(QFileInfo(TsPath(pszLanguage)).fileName());
        ASSERT_TRUE(QFile::copy(TsPath(pszLanguage), strCopy));
        QFile::setPermissions(strCopy, QFile::ReadOwner | QFile::WriteOwner);
        QProcess lupdate;
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        lupdate.start(QStringLiteral(CORVEX_LUPDATE_PATH),
                      QStringLiteral(CORVEX_LUPDATE_OPTIONS).split(QLatin1Char(' ')) +
                          QStringList{QStringLiteral("@" CORVEX_LUPDATE_LIST),
                                      QStringLiteral("-ts"), strCopy});
        ASSERT_TRUE(lupdate.waitForFinished(60000));
        ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAll().toStdString();
        QFile original(TsPath(pszLanguage)), updated(strCopy);
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        ASSERT_TRUE(updated.open(QIODevice::ReadOnly));
        EXPECT_TRUE(original.readAll() == updated.readAll())
            << "run: cmake --build BUILD --target update_translations, then translate what it "
               "adds\n"
            << lupdate.readAll().toStdString();
    }
}

TEST(TranslationsTest, FirstLanguageOfTheListThatThePanelSpeaks)
{
    const struct
    {
        const char* pszLocale;
        const char* pszChosen; // empty: English
    } cases[] = {
        {"de", "de"},  {"de_AT", "de"}, {"es", "es"}, {"es_AR", "es"},
        {"en_GB", ""}, {"fr_FR", ""},   {"C", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszLocale);
        EXPECT_EQ(CTranslations::Install(QLocale(QLatin1String(c.pszLocale))),
                  QLatin1String(c.pszChosen));
        CTranslations::Remove();
        EXPECT_EQ(CTranslations::Speaks(QLocale(QLatin1String(c.pszLocale))),
                  *c.pszChosen ||
                      QLocale(QLatin1String(c.pszLocale)).language() == QLocale::English);
    }
    EXPECT_EQ(CTranslations::Languages(), QStringList({"de", "en", "es"}));
}

// Prints the language that the program would choose from this process's environment; the next
// test runs it in environments of its own.
TEST(TranslationsTest, PrintsTheLanguageOfTheEnvironment)
{
    std::printf("language=%s\n", qPrintable(CTranslations::Install(QLocale::system())));
    CTranslations::Remove();
}

TEST(TranslationsTest, EnvironmentChoosesTheLanguageAsForEveryProgram)
{
    const struct
    {
        QStringList variables;
        const char* pszChosen;
    } cases[] = {
        {{"LANG=de_DE.UTF-8"}, "de"},
        {{"LC_MESSAGES=es_ES.UTF-8", "LANG=de_DE.UTF-8"}, "es"},
        {{"LC_ALL=es_MX.UTF-8", "LC_MESSAGES=de_DE.UTF-8"}, "es"},
        {{"LANGUAGE=fr:es:de", "LANG=fr_FR.UTF-8"}, "es"},
        {{"LANGUAGE=en:de", "LANG=de_DE.UTF-8"}, ""},
        {{"LANG=fr_FR.UTF-8"}, ""},
        {{"LANG=C"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variables.join(' ').toStdString());
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        for (const char* pszKept : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
            if (qEnvironmentVariableIsSet(pszKept))
                env.insert(QLatin1String(pszKept), qEnvironmentVariable(pszKept));
        for (const QString& strVariable : c.variables)
            env.insert(strVariable.section('=', 0, 0), strVariable.section('=', 1));
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--gtest_filter=TranslationsTest.PrintsTheLanguageOfTheEnvironment")});
        ASSERT_TRUE(child.waitForFinished(30000));
        const QByteArray out = child.readAllStandardOutput();
        EXPECT_TRUE(out.contains("language=" + QByteArray(c.pszChosen) + "\n"))
            << out.toStdString();
    }
}

// A translator with a faulty translation of a format, as a careless translation would be.
class CFaultyTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* pszContext, const char* pszSource, const char*,
                      int) const override
    {
        if (QLatin1String(pszContext) != QLatin1String("CControlDlg"))
            return QString();
        if (QLatin1String(pszSource) == QLatin1String("%d dB"))
            return QStringLiteral("%s dB");
        if (QLatin1String(pszSource) == QLatin1String("%d Khz"))
            return QStringLiteral("%d kHz %d");
        if (QLatin1String(pszSource) == QLatin1String("%d V"))
            return QStringLiteral("%d Volt");
        return QString();
    }
};

TEST(TranslationsTest, FormatWithOtherConversionsFallsBackToEnglish)
{
    CFaultyTranslator translator;
    QCoreApplication::installTranslator(&translator);
    EXPECT_EQ(CTranslations::Format("CControlDlg", "%d dB"), QByteArray("%d dB"));
    EXPECT_EQ(CTranslations::Format("CControlDlg", "%d Khz"), QByteArray("%d Khz"));
    EXPECT_EQ(CTranslations::Format("CControlDlg", "%d V"), QByteArray("%d Volt"));
    QCoreApplication::removeTranslator(&translator);

    const struct
    {
        const char* pszFormat;
        bool bValid;
        QStringList conversions;
    } cases[] = {
        {"%3.1f W FWD.", true, {"%3.1f"}},
        {"%u W REV. %%", true, {"%u", "%%"}},
        {"100%", false, {}},
        {"%n", false, {}},
        {"%-+05.2lf", true, {"%-+05.2lf"}},
        {"no conversion", true, {}},
    };
    for (const auto& c : cases) {
        QStringList conversions;
        EXPECT_EQ(CTranslations::Conversions(QLatin1String(c.pszFormat), conversions), c.bValid)
            << c.pszFormat;
        if (c.bValid) {
            EXPECT_EQ(conversions, c.conversions) << c.pszFormat;
        }
    }
}

// What the panel shows in one language: captions of the template, texts set at run time.
struct LanguageCase
{
    const char* pszLanguage;
    const char* pszTitle;
    const char* pszExit;
    const char* pszConnect;
    const char* pszDisconnect;
    const char* pszMute;
    const char* pszUnmute;
    const char* pszPowerGroup;
    const char* pszReset;
    const char* pszNone;
    const char* pszForward;   // code 8, forward byte 255
    const char* pszReflected; // code 8, reflected byte 255
    const char* pszDeviation; // byte 6 = -100
    const char* pszAbout;
    const char* pszUnknownUnit;
};

const LanguageCase kTranslated[] = {
    {"de", "Corvex Control", "&Beenden", "Verbinden", "Trennen", "HF STUMM", "HF EIN",
     "HF-Leistung", "Quittieren", "KEINER", "2040 W Vorl.", "2040 W Refl.", "-100 kHz",
     "Über Corvex Control", "Unbekanntes Gerät, Standardeinstellungen"},
    {"es", "Corvex Control", "&Salir", "Conectar", "Desconectar", "SILENCIAR RF", "ACTIVAR RF",
     "Potencia RF", "Restablecer", "NINGUNO", "2040 W DIR.", "2040 W REF.", "-100 kHz",
     "Acerca de Corvex Control", "Equipo desconocido, ajustes predeterminados"},
};

class TranslatedPanelTest : public CLinePanelFixture,
                            public ::testing::WithParamInterface<LanguageCase>
{
protected:
    void SetUp() override
    {
        CLinePanelFixture::SetUp();
        ASSERT_EQ(CTranslations::Install(QLocale(QLatin1String(GetParam().pszLanguage))),
                  QLatin1String(GetParam().pszLanguage));
    }
    void TearDown() override
    {
        CLinePanelFixture::TearDown();
        CTranslations::Remove();
    }

    // What ClippedCaptions() reports, one line each, but for the gain reduction and deviation
    // readouts: already in English their texts ("60 Khz") are a pixel or two wider than the
    // boxes' insides, and the translations change no more than "Khz" to "kHz".
    static std::string Clipped(const QWidget& dlg)
    {
        std::string strAll;
        for (const std::string& strClipped : ClippedCaptions(dlg))
            if (strClipped.rfind(std::to_string(IDC_DEVIATION) + " ", 0) != 0 &&
                strClipped.rfind(std::to_string(IDC_GAIN_REDUCTION) + " ", 0) != 0)
                strAll += strClipped + "\n";
        return strAll;
    }
};

// The panel in the language: every caption translated and none cut off, in the compact window,
// connected with the longest texts the frames give, and in the About box.
TEST_P(TranslatedPanelTest, CaptionsAreTranslatedAndFitTheirControls)
{
    const LanguageCase& lang = GetParam();
    SetPorts({});
    CreateDialog();
    EXPECT_EQ(Dlg().windowTitle(), QString::fromUtf8(lang.pszTitle));
    EXPECT_EQ(Text(IDCANCEL), QString::fromUtf8(lang.pszExit));
    EXPECT_EQ(Text(IDC_CONNECT), QString::fromUtf8(lang.pszConnect));
    EXPECT_EQ(Text(IDC_MUTE), QString::fromUtf8(lang.pszMute));
    EXPECT_EQ(Text(IDC_RESET_ALARMS), QString::fromUtf8(lang.pszReset));
    EXPECT_EQ(Text(IDC_PORT), QString::fromUtf8(lang.pszNone));
    QStringList groups;
    for (const QGroupBox* pGroup : Dlg().findChildren<QGroupBox*>())
        groups << pGroup->title();
    EXPECT_TRUE(groups.contains(QString::fromUtf8(lang.pszPowerGroup)))
        << groups.join(", ").toStdString();
    EXPECT_EQ(Clipped(Dlg()), "");

    ConnectLine();
    EXPECT_EQ(Text(IDC_CONNECT), QString::fromUtf8(lang.pszDisconnect));
    // The widest texts: four-digit powers, a negative three-digit deviation, a muted carrier.
    Show(Frame({{13, 8}, {4, 255}, {5, 255}, {6, -100}, {7, -24}, {3, 0x81}, {11, 0xC8}}));
    EXPECT_EQ(Text(IDC_FORWARD_POWER), QString::fromUtf8(lang.pszForward));
    EXPECT_EQ(Text(IDC_REFLECTED_POWER), QString::fromUtf8(lang.pszReflected));
    EXPECT_EQ(Text(IDC_DEVIATION), QString::fromUtf8(lang.pszDeviation));
    EXPECT_EQ(Text(IDC_MUTE), QString::fromUtf8(lang.pszUnmute));
    EXPECT_EQ(Clipped(Dlg()), "");
    Show(Frame({{13, 3}, {4, 0x80}, {5, 0x80}, {6, 100}}));
    EXPECT_EQ(Clipped(Dlg()), "");
    Show(Frame({{13, 6}, {4, 255}, {5, 255}, {3, 0x00}}));
    EXPECT_EQ(Text(IDC_MUTE), QString::fromUtf8(lang.pszMute));
    EXPECT_EQ(Clipped(Dlg()), "");
    Show(Frame({{13, 56}}));
    EXPECT_EQ(Dlg().windowTitle(), QString::fromUtf8(lang.pszUnknownUnit));

    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QString::fromUtf8(lang.pszAbout));
    EXPECT_EQ(Clipped(about), "");
}

// The lost-connection box and the port box's notice speak the language, numbers included.
TEST_P(TranslatedPanelTest, MessagesSpeakTheLanguage)
{
    ConnectLine();
    Show(Frame({}));
    Tick(CControlDlg::kMissLimit);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_NE(
        m_boxes[0].strText,
        QStringLiteral("The connection cannot be established or has been lost. Please reconnect."));
    const QString strDecimal = QLocale(QLatin1String(GetParam().pszLanguage)).decimalPoint();
    EXPECT_TRUE(m_boxes[0].strInformative.contains(QRegularExpression(
        QStringLiteral("\\d") + QRegularExpression::escape(strDecimal) + QStringLiteral("\\d s"))))
        << m_boxes[0].strInformative.toStdString();
    // Qt's own buttons follow, where the system has Qt's translations.
    if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_es.qm") &&
        QLatin1String(GetParam().pszLanguage) == QLatin1String("es")) {
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("Aceptar"));
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslatedPanelTest, ::testing::ValuesIn(kTranslated),
                         [](const ::testing::TestParamInfo<LanguageCase>& param) {
                             return std::string(param.param.pszLanguage);
                         });

// In English, which needs no translation, the panel says exactly what it always said.
TEST(EnglishPanelTest, EnglishLocaleKeepsTheQuotedTexts)
{
    for (const char* pszLocale : {"en_US", "C"}) {
        SCOPED_TRACE(pszLocale);
        EXPECT_TRUE(CTranslations::Install(QLocale(QLatin1String(pszLocale))).isEmpty());
        CControlDlg dlg;
        dlg.SetTimerPeriod(3600 * 1000);
        const auto text = [&](int nId) { return dlg.GetDlgItem(nId)->property("text").toString(); };
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Corvex Control"));
        EXPECT_EQ(text(IDCANCEL), QStringLiteral("E&xit"));
        EXPECT_EQ(text(IDC_MUTE), QStringLiteral("MUTE RF"));
        EXPECT_EQ(text(IDC_RESET_ALARMS), QStringLiteral("Reset Alarms"));
        EXPECT_EQ(text(IDC_GAIN_REDUCTION_LABEL), QStringLiteral("Gain Reduction"));
        EXPECT_EQ(CControlApp::LoadString(IDS_ABOUTBOX), QStringLiteral("&About Pelmar..."));
        EXPECT_EQ(CAboutDlg().windowTitle(), QStringLiteral("About Corvex Control"));
        CTranslations::Remove();
    }
}

} // namespace
