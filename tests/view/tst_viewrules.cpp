// The views' rules, without QML. Catches:
// - a wrong primary button (title, symbol, enabled), Open row, Open style or "Installed" label for an install state
// - a download percentage rounded up or broken by a fraction that is not a number
// - a download line, bar or price that is wrong or glued for a locale
// - an installed copy without a version text that one view counts and another does not
// - a wrong card label, status line, relative age, placeholder choice or subtitle
// - a wrong fact (category, versions, requirement, date) or source credit
// - alert texts that name no app wrongly; an icon letter that splits a surrogate pair
// - a symbol name without an icon, or an unknown one without the fallback

#include "view/AlertTexts.h"
#include "view/CardStatus.h"
#include "view/CatalogContent.h"
#include "view/CatalogStatus.h"
#include "view/DetailActions.h"
#include "view/DetailFacts.h"
#include "view/DetailProgress.h"
#include "view/RelativeAge.h"
#include "view/SymbolNames.h"
#include "view/ViewRules.h"

#include <QFile>
#include <QTest>

namespace {

using State = UpdateCoordinatorState;
using StateKind = UpdateCoordinatorState::Kind;

CatalogApp app(const QString &id, std::optional<QString> bundleID = QStringLiteral("app.example.tool"),
               bool hasDownload = true)
{
    CatalogApp a;
    a.id = id;
    a.name = id;
    a.version = QStringLiteral("1.3");
    a.categoryID = QStringLiteral("photo");
    a.minimumSystem = QStringLiteral("13.0");
    a.bundleID = std::move(bundleID);
    if (hasDownload)
        a.downloadURL = QUrl(QStringLiteral("https://example.org/%1.dmg").arg(id));
    a.updatedAt = QDateTime(QDate(2024, 3, 12), QTime(12, 0), Qt::UTC);
    return a;
}

State state(StateKind kind, double fraction = 0, QString message = {})
{
    State s;
    s.kind = kind;
    s.fraction = fraction;
    s.message = std::move(message);
    return s;
}

} // namespace

class ViewRulesTest : public QObject {
    Q_OBJECT

private slots:
    void primaryButton_data()
    {
        QTest::addColumn<State>("state");
        QTest::addColumn<bool>("hasUpdate");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("idle, not installed") << state(StateKind::Idle) << false << "Install" << "arrow.down.circle" << true;
        QTest::newRow("ready, update") << state(StateKind::Ready) << true << "Update to 1.3" << "arrow.down.circle" << true;
        QTest::newRow("downloading 0.427") << state(StateKind::Downloading, 0.427) << false << "Downloading… 42%" << "arrow.down.circle" << false;
        QTest::newRow("installing") << state(StateKind::Installing) << true << "Installing…" << "shippingbox" << false;
        QTest::newRow("installed") << state(StateKind::Installed) << false << "Installed" << "checkmark.circle" << false;
        QTest::newRow("failed") << state(StateKind::Failed, 0, QStringLiteral("boom")) << true << "Try Again" << "exclamationmark.triangle" << true;
    }
    void primaryButton()
    {
        QFETCH(State, state);
        QFETCH(bool, hasUpdate);
        const DetailActions actions = DetailActions::of(app(QStringLiteral("tool")), state,
                                                        hasUpdate ? QStringLiteral("1.2") : QString(), hasUpdate);
        QVERIFY(actions.showsPrimary);
        QTEST(actions.primaryTitle, "title");
        QTEST(actions.primarySymbol, "symbol");
        QTEST(actions.primaryEnabled, "enabled");
        QCOMPARE(actions.failureMessage, state.kind == StateKind::Failed ? QStringLiteral("boom") : QString());
    }

    void rows_data()
    {
        QTest::addColumn<CatalogApp>("app");
        QTest::addColumn<QString>("installedVersion");
        QTest::addColumn<bool>("hasUpdate");
        QTest::addColumn<State>("state");
        QTest::addColumn<bool>("primary");
        QTest::addColumn<bool>("openRow");
        QTest::addColumn<bool>("openProminent");
        QTest::addColumn<bool>("installedLabel");
        QTest::addColumn<bool>("unavailable");
        const State idle;
        QTest::newRow("installed, current") << app("a") << "1.3" << false << idle << false << true << true << true << false;
        QTest::newRow("installed, busy") << app("a") << "1.2" << true << state(StateKind::Downloading, 0.5) << true << false << false << false << false;
        QTest::newRow("installed, failed") << app("a") << "1.2" << true << state(StateKind::Failed) << true << true << false << false << false;
        // The store counts a copy without a version text as installed and older: so does the pane.
        QTest::newRow("installed, no version") << app("a") << "" << true << idle << true << true << false << false << false;
        // Without a bundle identifier an app never counts as installed.
        QTest::newRow("no bundle id") << app("a", std::nullopt) << "1.3" << false << idle << true << false << true << false << false;
        QTest::newRow("no link, update") << app("a", QStringLiteral("x"), false) << "1.2" << true << idle << false << true << false << false << true;
        QTest::newRow("no link, current") << app("a", QStringLiteral("x"), false) << "1.3" << false << idle << false << true << true << true << false;
    }
    void rows()
    {
        QFETCH(CatalogApp, app);
        QFETCH(QString, installedVersion);
        QFETCH(bool, hasUpdate);
        QFETCH(State, state);
        const DetailActions actions = DetailActions::of(app, state, installedVersion, hasUpdate);
        QTEST(actions.showsPrimary, "primary");
        QTEST(actions.showsOpenRow, "openRow");
        QTEST(actions.openIsProminent, "openProminent");
        QTEST(actions.showsInstalledLabel, "installedLabel");
        QTEST(actions.showsUnavailable, "unavailable");
    }

    void downloadingTitleNeverRoundsUpOrBreaks()
    {
        QCOMPARE(DetailActions::downloadingTitle(0.0), QStringLiteral("Downloading… 0%"));
        QCOMPARE(DetailActions::downloadingTitle(0.29), QStringLiteral("Downloading… 28%"));  // 28.999…
        QCOMPARE(DetailActions::downloadingTitle(std::nan("")), QStringLiteral("Downloading… 0%"));
    }

    void cardStatus_data()
    {
        QTest::addColumn<QString>("installed");
        QTest::addColumn<bool>("hasUpdate");
        QTest::addColumn<CardStatus::Kind>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("symbol");
        QTest::newRow("update") << "1.2" << true << CardStatus::Kind::Update << "1.2 → 1.3" << "arrow.down.circle";
        QTest::newRow("newer installed") << "2.0" << false << CardStatus::Kind::Installed << "Installed" << "checkmark.circle";
        QTest::newRow("no version text") << "" << true << CardStatus::Kind::Update << "→ 1.3" << "arrow.down.circle";
        QTest::newRow("not installed") << "" << false << CardStatus::Kind::None << "" << "";
    }
    void cardStatus()
    {
        QFETCH(QString, installed);
        QFETCH(bool, hasUpdate);
        const CardStatus status = CardStatus::of(installed, QStringLiteral("1.3"), hasUpdate);
        QTEST(status.kind, "kind");
        QTEST(status.text, "text");
        QTEST(status.symbol, "symbol");
    }

    void catalogStatus_data()
    {
        QTest::addColumn<CatalogStorePhase>("phase");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<CatalogStatus::Tone>("tone");
        QTest::addColumn<QString>("message");
        const QDateTime now(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC);
        using Origin = CatalogService::Origin;
        QTest::newRow("loading") << CatalogStorePhase::loading() << "arrow.triangle.2.circlepath" << CatalogStatus::Tone::Secondary << "Updating…";
        QTest::newRow("network") << CatalogStorePhase::loaded(Origin::network()) << "checkmark.circle" << CatalogStatus::Tone::Positive << "Up to date";
        QTest::newRow("cache") << CatalogStorePhase::loaded(Origin::cache(now.addSecs(-3 * 3600))) << "internaldrive" << CatalogStatus::Tone::Secondary << "Offline · 3 hours ago";
        QTest::newRow("bundled") << CatalogStorePhase::loaded(Origin::bundled()) << "shippingbox" << CatalogStatus::Tone::Secondary << "Offline · bundled catalogue";
        QTest::newRow("failed") << CatalogStorePhase::failed(QStringLiteral("No route")) << "exclamationmark.triangle" << CatalogStatus::Tone::Warning << "No route";
    }
    void catalogStatus()
    {
        QFETCH(CatalogStorePhase, phase);
        const CatalogStatus status = CatalogStatus::of(phase, QDateTime(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC));
        QTEST(status.symbol, "symbol");
        QTEST(status.tone, "tone");
        QTEST(status.message, "message");
    }

    void relativeAge_data()
    {
        QTest::addColumn<qint64>("secondsAgo");
        QTest::addColumn<QString>("text");
        QTest::newRow("now") << qint64(20) << "now";
        QTest::newRow("future") << qint64(-600) << "now";
        QTest::newRow("1 minute") << qint64(90) << "1 minute ago";
        QTest::newRow("minutes") << qint64(45 * 60) << "45 minutes ago";
        QTest::newRow("1 hour") << qint64(3600) << "1 hour ago";
        QTest::newRow("hours") << qint64(5 * 3600) << "5 hours ago";
        QTest::newRow("yesterday") << qint64(30 * 3600) << "yesterday";
        QTest::newRow("days") << qint64(3 * 86400) << "3 days ago";
        QTest::newRow("last week") << qint64(8 * 86400) << "last week";
        QTest::newRow("weeks") << qint64(20 * 86400) << "2 weeks ago";
        QTest::newRow("last month") << qint64(40 * 86400) << "last month";
        QTest::newRow("months") << qint64(100 * 86400) << "3 months ago";
        QTest::newRow("last year") << qint64(400 * 86400) << "last year";
        QTest::newRow("years") << qint64(1000 * 86400) << "2 years ago";
    }
    void relativeAge()
    {
        QFETCH(qint64, secondsAgo);
        const QDateTime now(QDate(2025, 3, 15), QTime(12, 0), Qt::UTC);
        QTEST(RelativeAge::describe(now.addSecs(-secondsAgo), now), "text");
    }

    // Before and after a load; the loaded placeholders are checked on the real view
    // (tst_catalogview.qml).
    void catalogContent_data()
    {
        QTest::addColumn<CatalogStorePhase>("phase");
        QTest::addColumn<int>("catalogApps");
        QTest::addColumn<int>("visible");
        QTest::addColumn<CatalogContent::Kind>("kind");
        QTest::addColumn<QString>("subtitle");
        using K = CatalogContent::Kind;
        const auto failed = CatalogStorePhase::failed(QStringLiteral("x"));
        const auto loading = CatalogStorePhase::loading();
        QTest::newRow("failed, empty") << failed << 0 << 0 << K::Unavailable << "0 apps";
        QTest::newRow("failed, apps kept") << failed << 5 << 5 << K::Grid << "5 apps";
        QTest::newRow("loading, empty") << loading << 0 << 0 << K::Loading << "0 apps";
        QTest::newRow("reloading keeps grid") << loading << 5 << 1 << K::Grid << "1 app";
    }
    void catalogContent()
    {
        QFETCH(CatalogStorePhase, phase);
        QFETCH(int, catalogApps);
        QFETCH(int, visible);
        const CatalogContent content = CatalogContent::choose(phase, catalogApps, visible, QString());
        QTEST(content.kind, "kind");
        QTEST(content.subtitle, "subtitle");
    }

    void facts()
    {
        CatalogApp a = app("a");
        a.downloadSize = 48'300'000;
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(DetailFacts::of(a, QStringLiteral("Photography"), QStringLiteral("1.2"), true, english),
                 (QList<DetailFact>{{"Category", "Photography"}, {"Version", "1.3"}, {"Installed", "1.2"},
                                    {"Requires", "macOS 13.0 or later"}, {"Updated", "Mar 12, 2024"},
                                    {"Download size", "48.3 MB"}}));
        QCOMPARE(DetailFacts::of(a, {}, {}, true, english).at(2), (DetailFact{"Installed", "Unknown"}));
        QCOMPARE(DetailFacts::date(a.updatedAt, QLocale(QLocale::German, QLocale::Germany)), QStringLiteral("12. März 2024"));
        a.bundleID.reset();  // no "Installed" without a bundle identifier
        a.downloadSize.reset();
        QCOMPARE(DetailFacts::of(a, QStringLiteral("unlisted"), QStringLiteral("1.2"), false).size(), 4);
    }

    void transferLine_data()
    {
        QTest::addColumn<UpdateTransfer>("transfer");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("fraction");
        QTest::newRow("all known") << UpdateTransfer{12'300'000, 300'000'000, 4'100'000, 70} << "12.3 MB of 300 MB · 4.1 MB/s · about 1 min left" << 0.041;
        QTest::newRow("hours") << UpdateTransfer{0, 2'000'000'000, 100'000, 20'000} << "0 bytes of 2.0 GB · 100 kB/s · about 6 h left" << 0.0;
        QTest::newRow("almost done") << UpdateTransfer{299'000'000, 300'000'000, 4'100'000, 0.2} << "299 MB of 300 MB · 4.1 MB/s · less than a minute left" << 299.0 / 300;
        QTest::newRow("no speed yet") << UpdateTransfer{500, 1000, 0, -1} << "500 bytes of 1.0 kB" << 0.5;
        QTest::newRow("no total") << UpdateTransfer{1'500'000, -1, 250'000, -1} << "1.5 MB so far · 250 kB/s" << -1.0;
        QTest::newRow("nothing known") << UpdateTransfer{1'500'000, -1, 0, -1} << "1.5 MB so far" << -1.0;
    }
    void transferLine()
    {
        QFETCH(UpdateTransfer, transfer);
        QTEST(DetailProgress::line(transfer, QLocale(QLocale::English, QLocale::UnitedStates)), "text");
        QTEST(DetailProgress::fraction(transfer), "fraction");
    }

    void price_data()
    {
        QTest::addColumn<QByteArray>("amount");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("free") << QByteArray("0.00") << "EUR" << english << "";
        QTest::newRow("euros in English") << QByteArray("4.99") << "EUR" << english << "€4.99";
        QTest::newRow("euros in German") << QByteArray("4.5") << "EUR" << QLocale(QLocale::German, QLocale::Germany) << QStringLiteral("4,50\u00a0€");
        QTest::newRow("whole dollars") << QByteArray("5") << "USD" << english << "$5";
        QTest::newRow("francs, no symbol in English") << QByteArray("3") << "CHF" << english << "CHF3";
    }
    void price()
    {
        QFETCH(QByteArray, amount);
        QFETCH(QString, currency);
        QFETCH(QLocale, locale);
        QTEST(DetailProgress::price(Price{*Decimal::fromJsonText(amount), currency}, locale), "text");
    }

    void sourceCredit_data()
    {
        QTest::addColumn<QString>("license");
        QTest::addColumn<QString>("fork");
        QTest::addColumn<bool>("warning");
        QTest::newRow("fork") << "GPL-3.0" << "https://example.org/we/tool" << false;
        QTest::newRow("copyleft, no fork") << "GPL-3.0" << "" << true;
        QTest::newRow("permissive, no fork") << "MIT" << "" << false;
    }
    void sourceCredit()
    {
        QFETCH(QString, license);
        QFETCH(QString, fork);
        Source source{QUrl(QStringLiteral("https://example.org/team/lumen/")), QStringLiteral("Ann"), license, std::nullopt};
        if (!fork.isEmpty())
            source.fork = QUrl(fork);
        const SourceCredit credit = SourceCredit::of(source);
        QCOMPARE(credit.sentence, QStringLiteral("Based on lumen by Ann, released under the %1 license.").arg(license));
        QCOMPARE(credit.repository, QStringLiteral("https://example.org/team/lumen/"));
        QCOMPARE(credit.fork, fork);
        QTEST(credit.showsSourceOfferWarning, "warning");
    }

    void alertTextsWithoutAName()
    {
        // With the app's name these are checked on the real alerts (tst_root.qml, tst_detail.qml).
        QCOMPARE(AlertTexts::quitTitle(nullptr), QStringLiteral("Quit the app first"));
        QCOMPARE(AlertTexts::quitMessage(nullptr), QStringLiteral("The app is running. Quit it, then press Update again."));
        QCOMPARE(AlertTexts::uninstallTitle(nullptr), QStringLiteral("Move this app to the Trash?"));
        QCOMPARE(AlertTexts::uninstallMessage(),
                 QStringLiteral("The app goes to the Trash, so you can put it back. Your settings for it stay on this computer."));
    }

    void iconLetter()
    {
        ViewRules rules;
        QCOMPARE(rules.iconLetter(QStringLiteral("photo Lab")), QStringLiteral("P"));
        QCOMPARE(rules.iconLetter(QStringLiteral("éclair")), QStringLiteral("É"));
        QCOMPARE(rules.iconLetter(QString()), QString());
        QCOMPARE(rules.iconLetter(QStringLiteral("\U0001D4D0x")), QStringLiteral("\U0001D4D0"));  // not half a pair
    }

    void menuTitleMnemonics()
    {
        ViewRules rules;
        QCOMPARE(rules.withoutMnemonic(QStringLiteral("&Datei")), QStringLiteral("Datei"));
        QCOMPARE(rules.mnemonicKeys(QStringLiteral("&Datei")), QStringLiteral("Alt+D"));
        QCOMPARE(rules.underlinedMnemonic(QStringLiteral("Vi&ew")), QStringLiteral("Vi<u>e</u>w"));
        // "&&" is a plain "&", and text is escaped: a title never turns into markup.
        QCOMPARE(rules.withoutMnemonic(QStringLiteral("R&&D &<b>")), QStringLiteral("R&D <b>"));
        QCOMPARE(rules.underlinedMnemonic(QStringLiteral("R&&D &<b>")), QStringLiteral("R&amp;D <u>&lt;</u>b&gt;"));
        QCOMPARE(rules.mnemonicKeys(QStringLiteral("R&&D &<b>")), QString());
        QCOMPARE(rules.mnemonicKeys(QStringLiteral("Help&")), QString());
    }

    void everySymbolHasAnIcon_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"checkmark.circle", "arrow.down.circle", "shippingbox", "internaldrive",
                                 "exclamationmark.triangle", "arrow.triangle.2.circlepath", "square.grid.2x2",
                                 "sparkles", "tray", "hand.tap", "wifi.exclamationmark", "arrow.clockwise", "xmark",
                                 "trash", "arrow.up.forward.app", "magnifyingglass", "ellipsis.vertical",
                                 "paintbrush", "hammer", "photo", "music.note", "doc.text", "gearshape", "chart.bar",
                                 "gamecontroller", "book", "globe", "lock", "terminal", "film", "camera", "star.fill",
                                 "folder.circle.fill"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void everySymbolHasAnIcon()
    {
        QFETCH(QString, name);
        QVERIFY(SymbolNames::isKnown(name));
        QVERIFY2(QFile::exists(SymbolNames::resourceFor(name)), qPrintable(SymbolNames::resourceFor(name)));
    }

    void unknownSymbolsFallBack()
    {
        for (const QString &name : {QStringLiteral("no.such.symbol"), QString(), QStringLiteral(".fill")}) {
            QVERIFY(!SymbolNames::isKnown(name));
            QCOMPARE(SymbolNames::resourceFor(name), QStringLiteral(":/icons/lucide/app-window.svg"));
            QVERIFY(QFile::exists(SymbolNames::resourceFor(name)));
        }
    }
};

QTEST_GUILESS_MAIN(ViewRulesTest)
#include "tst_viewrules.moc"
