#include "PrefRowDetail.h"
#include "app/PrefRow.h"
#include "app/PreferencesView.h"
#include "capture/FakeHotkeys.h"
#include "capture/HotkeyManager.h"
#include "core/Settings.h"
#include "core/ShortcutStore.h"
#include "core/StyleStore.h"
#include "history/RecentsStore.h"
#include "platform/Alert.h"
#include "platform/AppPaths.h"
#include "platform/LoginItem.h"
#include "platform/StringTables.h"
#include "platform/UserDefaults.h"
#include "support/FakeScreenAccess.h"
#include "support/FixedClock.h"
#include "support/PlatformFakes.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "support/Wheel.h"
#include "widgets/Picker.h"
#include "widgets/SectionLabel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// Answers every alert with the button chosen beforehand, and keeps what it was asked.
struct ScriptedAlerts : platform::AlertPresenter {
    QList<platform::Alert> shown;
    int answer = 0;
    int run(const platform::Alert &alert) override {
        shown.append(alert);
        return answer;
    }
};

struct PreferencesViewTest : testing::Test {
    testsupport::TempFolder temp;
    platform::UserDefaults defaults{temp.file(QStringLiteral("defaults.json"))};
    ShortcutStore shortcuts{defaults};
    HotkeyManager hotkeys{shortcuts, std::make_unique<FakeHotkeys>()};
    StyleStore styles{defaults};
    testsupport::FixedFileDates dates; // files are ordered by the time in their names
    std::unique_ptr<RecentsStore> recents;
    ScriptedAlerts alerts;
    testsupport::FixedSession session;
    testsupport::FakeScreenAccess screen;
    std::unique_ptr<PreferencesView> view;

    void SetUp() override {
        platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
        platform::AlertPresenter::setSharedForTesting(&alerts);
        recents = std::make_unique<RecentsStore>(defaults, temp.file(QStringLiteral("Recentes")));
    }
    void TearDown() override {
        // Thumbnails still being read would outlive the test's files and the process.
        EXPECT_TRUE(testsupport::becomes([this] { return !recents->isDecoding(); }));
        view.reset();
        platform::AlertPresenter::setSharedForTesting(nullptr);
        platform::StringTables::setCurrentLanguage({});
    }
    void open() {
        view = std::make_unique<PreferencesView>(shortcuts, hotkeys, styles, *recents, defaults);
        view->resize(1030, 800);
        view->show();
    }
    // `count` captures, a second apart, the oldest first.
    void fill(int count) {
        const QDateTime first(QDate(2020, 1, 1), QTime(0, 0));
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("Pelicarta 2020-01-01 00.%1.%2.png")
                                     .arg(i / 60, 2, 10, QLatin1Char('0'))
                                     .arg(i % 60, 2, 10, QLatin1Char('0'));
            ASSERT_TRUE(temp.write(QStringLiteral("Recentes/") + name, QByteArray("not decoded here")));
            dates.insert(name, first.addSecs(i));
        }
        recents->deleteFiles({}); // the store lists the folder again
    }
    QStringList files() const {
        QStringList names;
        for (const QString &path : recents->sortedFiles()) names.append(QFileInfo(path).fileName());
        return names;
    }
    // The row titled `title` as it reads in Portuguese.
    PrefRow *row(const char *title) const { return view->row(QString::fromUtf8(title)); }
    // The rows of the stored presets on screen, in order ("presetRow0", …); those of a list replaced
    // are hidden at once.
    QList<PrefRow *> presetRows() const {
        QList<PrefRow *> rows;
        while (auto *row =
                   testsupport::shownChild<PrefRow>(*view, ("presetRow" + QByteArray::number(rows.size())).constData()))
            rows.append(row);
        return rows;
    }
    QStringList sectionTitles() const {
        QStringList titles;
        for (const SectionLabel *label : view->findChildren<SectionLabel *>()) titles << label->shownText();
        return titles;
    }
    template <typename T>
    T *control(const char *title) const {
        return testsupport::namedChild<T>(*row(title), "control");
    }
};

} // namespace

TEST_F(PreferencesViewTest, GreetingNameLoginAndWelcomeRows) {
    open();
    view->resize(1030, 2600);             // the whole page, for a person to look at
    QCoreApplication::sendPostedEvents(); // laid out at that size
    view->grab().save(testsupport::outputPath(QStringLiteral("preferences.png")));
    EXPECT_EQ(detailOf(row("Mostrar saudação")), QStringLiteral("“Bom dia, Ana” na tela inicial e no menu"));
    auto *name = control<QLineEdit>("Seu nome");
    EXPECT_EQ(name->placeholderText(), QStringLiteral("Ana"));
    // Typed text is kept as typed; the greeting follows it.
    QTest::keyClicks(name, QStringLiteral(" Bia "));
    EXPECT_EQ(Settings::customName.value(defaults), QStringLiteral(" Bia "));
    EXPECT_EQ(detailOf(row("Mostrar saudação")), QStringLiteral("“Bom dia, Bia” na tela inicial e no menu"));
    // Greeting off: the field cannot be edited but keeps its text.
    control<QAbstractButton>("Mostrar saudação")->click();
    EXPECT_FALSE(Settings::greetingEnabled.value(defaults));
    EXPECT_FALSE(name->isEnabled());
    EXPECT_EQ(name->text(), QStringLiteral(" Bia "));

    EXPECT_EQ(detailOf(row("Iniciar com o sistema")),
              QStringLiteral("Abre o Pelicarta na bandeja do sistema ao entrar na sessão"));
    EXPECT_EQ(detailOf(row("Boas-vindas")), QStringLiteral("Mostra o tour de boas-vindas de novo"));
    Settings::hasCompletedOnboarding.set(true, defaults);
    control<QAbstractButton>("Boas-vindas")->click();
    EXPECT_FALSE(Settings::hasCompletedOnboarding.value(defaults));
}

// The greeting row's detail quotes a name holding markup letter for letter, its picture (a FIFO) unread.
TEST_F(PreferencesViewTest, ANameHoldingMarkupIsShownAsTyped) {
    const testsupport::MarkupWithFifo name(temp.path());
    Settings::customName.set(name.text(), defaults);
    open();
    EXPECT_EQ(detailOf(row("Mostrar saudação")),
              QStringLiteral("“Bom dia, ") + name.text() + QStringLiteral("” na tela inicial e no menu"));
    EXPECT_EQ(control<QLineEdit>("Seu nome")->text(), name.text());
    EXPECT_EQ(name.faultShowingIn(*view), QString());
}

TEST_F(PreferencesViewTest, CaptureRowsShowWhatACaptureWouldDoAndWriteOnlyWhatIsPicked) {
    // What the capture road reads: an unknown word is the quick panel, an unknown lifetime 30 seconds.
    defaults.setString(Settings::afterCapture.key(), QStringLiteral("Editor"));
    defaults.setInt(Settings::quickLifetime.key(), 45);
    open();
    auto *after = control<Picker>("Depois de capturar");
    EXPECT_EQ(after->currentText(), QStringLiteral("Print flutuante (leve)"));
    EXPECT_EQ(detailOf(row("Depois de capturar")),
              QStringLiteral("O print flutua no canto: arraste para uma conversa. Botão direito escolhe um fundo"));
    PrefRow *lifetime = row("O print flutuante some depois de");
    EXPECT_TRUE(lifetime->isVisible());
    EXPECT_EQ(testsupport::namedChild<Picker>(*lifetime, "control")->currentText(), QStringLiteral("30 segundos"));
    EXPECT_EQ(defaults.stringValue(Settings::afterCapture.key()), QStringLiteral("Editor"));
    EXPECT_EQ(defaults.intValue(Settings::quickLifetime.key()), 45);

    after->choose(int(AfterCapture::editor));
    EXPECT_EQ(defaults.stringValue(Settings::afterCapture.key()), QStringLiteral("editor"));
    EXPECT_FALSE(lifetime->isVisible());
    EXPECT_EQ(detailOf(row("Depois de capturar")),
              QStringLiteral("Janela completa para ajustar fundo, margem e exportação"));
    after->choose(int(AfterCapture::quick));
    EXPECT_TRUE(lifetime->isVisible());
    testsupport::namedChild<Picker>(*lifetime, "control")->choose(0);
    EXPECT_EQ(Settings::quickLifetime.value(defaults), QuickLifetime::forever_);

    control<Picker>("Ao soltar a seleção de área")->choose(int(AreaRelease::instant));
    EXPECT_EQ(defaults.stringValue(Settings::areaRelease.key()), QStringLiteral("instant"));
    EXPECT_EQ(detailOf(row("Ao soltar a seleção de área")), QStringLiteral("Captura assim que você solta o mouse"));
}

TEST_F(PreferencesViewTest, StyleRowsShowWholeMarginsAndRestoreThroughTheStore) {
    BeautyStyle style;
    style.padding = 64.9;
    styles.setDefaultStyle(style);
    Backdrop own = Backdrop::defaults().first();
    own.id = QStringLiteral("mine");
    styles.saveBackdrop(own);
    open();
    const QString aurora = Backdrop::defaults().first().displayName();
    EXPECT_EQ(detailOf(row("Estilo padrão")), QStringLiteral("Fundo %1 · margem 64 pt — mude pelo Editor").arg(aurora));
    // A hand-edited margin far beyond any integer shows bounded.
    style.padding = 1e300;
    styles.setDefaultStyle(style);
    EXPECT_EQ(detailOf(row("Estilo padrão")),
              QStringLiteral("Fundo %1 · margem 9223372036854775807 pt — mude pelo Editor").arg(aurora));
    control<QAbstractButton>("Estilo padrão")->click();
    EXPECT_EQ(styles.defaultStyle(), BeautyStyle{});

    EXPECT_EQ(detailOf(row("Fundos")), QStringLiteral("10 fundos · crie e edite cores pelo Editor (tecla E)"));
    control<QAbstractButton>("Fundos")->click();
    EXPECT_EQ(detailOf(row("Fundos")), QStringLiteral("9 fundos · crie e edite cores pelo Editor (tecla E)"));
    EXPECT_EQ(styles.backdrops().last().id, QStringLiteral("none"));

    // Presets: numbered rows; removing one renumbers those below it. New rows come on screen on the
    // next turn of the event loop.
    const QList<StylePreset> factory = styles.presets();
    ASSERT_TRUE(testsupport::becomes([&] { return presetRows().size() == 3; }));
    testsupport::namedChild<QAbstractButton>(*presetRows().first(), "control")->click();
    ASSERT_TRUE(testsupport::becomes([&] { return presetRows().size() == 2; }));
    EXPECT_EQ(presetRows().first()->title(), QStringLiteral("Preset 1: ") + factory[1].displayName());
    EXPECT_EQ(detailOf(presetRows().first()), QStringLiteral("Tecla 1 no Editor"));
    control<QAbstractButton>("Presets")->click();
    ASSERT_EQ(styles.presets().size(), 3);
    EXPECT_NE(styles.presets()[1].id, factory[1].id);
    EXPECT_TRUE(testsupport::becomes([&] { return presetRows().size() == 3; }));
}

TEST_F(PreferencesViewTest, KeepLimitAsksBeforeDeletingAndKeepsTheNewest) {
    fill(35);
    open();
    auto *keep = control<Picker>("Guardar no histórico");
    EXPECT_EQ(keep->currentText(), QStringLiteral("500 capturas"));
    EXPECT_EQ(keep->itemText(4), QStringLiteral("2000 capturas"));

    alerts.answer = 1; // "Cancelar"
    keep->choose(qint64(20));
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("Apagar os 15 prints mais antigos do histórico?"));
    EXPECT_EQ(alerts.shown[0].buttons, (QStringList{QStringLiteral("Apagar"), QStringLiteral("Cancelar")}));
    EXPECT_EQ(files().size(), 35);
    EXPECT_FALSE(Settings::historyKeep.isStored(defaults));
    EXPECT_EQ(keep->currentText(), QStringLiteral("500 capturas"));

    alerts.answer = 0; // "Apagar"
    const QStringList newest = files().mid(0, 20);
    keep->choose(qint64(20));
    EXPECT_EQ(files(), newest);
    EXPECT_EQ(Settings::historyKeep.value(defaults), 20);

    // Keeping off, with 12 files.
    recents->deleteFiles(recents->sortedFiles().mid(12));
    keep->choose(qint64{0});
    EXPECT_EQ(alerts.shown.last().messageText, QStringLiteral("Parar de guardar e apagar os 12 prints do histórico?"));
    EXPECT_TRUE(files().isEmpty());
    EXPECT_TRUE(recents->items().isEmpty());
    // A limit at or above the number of files is written without asking.
    const qsizetype asked = alerts.shown.size();
    keep->choose(RecentsStore::unlimited);
    EXPECT_EQ(alerts.shown.size(), asked);
    EXPECT_EQ(defaults.intValue(Settings::historyKeep.key()), 9223372036854775807LL);
    EXPECT_EQ(keep->currentText(), QStringLiteral("Sem limite"));
}

TEST_F(PreferencesViewTest, CountsOfOneReadInTheSingularInBothLanguages) {
    // The page is made in the language the application starts in, once for each.
    for (const auto &[language, keepTitle, spaceTitle] : {std::tuple{"pt-BR", "Guardar no histórico", "Espaço usado"},
                                                          std::tuple{"en", "Keep in the history", "Space used"}}) {
        SCOPED_TRACE(language);
        const bool english = QLatin1String(language) == QLatin1String("en");
        platform::StringTables::setCurrentLanguage(QString::fromLatin1(language));
        fill(21);
        open();
        auto *keep = testsupport::namedChild<Picker>(*view->row(QString::fromUtf8(keepTitle)), "control");
        alerts.answer = 1; // "Cancelar"
        keep->choose(qint64(20));
        ASSERT_FALSE(alerts.shown.isEmpty());
        EXPECT_EQ(alerts.shown.last().messageText,
                  english ? QStringLiteral("Delete the oldest screenshot from the history?")
                          : QStringLiteral("Apagar o print mais antigo do histórico?"));
        EXPECT_TRUE(
            alerts.shown.last().informativeText.startsWith(english ? QStringLiteral("It will be deleted from Pelicarta")
                                                                   : QStringLiteral("Ele será apagado do Pelicarta")));

        recents->deleteFiles(recents->sortedFiles().mid(1));
        EXPECT_EQ(detailOf(view->row(QString::fromUtf8(spaceTitle))),
                  english ? QStringLiteral("1 KB in 1 capture") : QStringLiteral("1 KB em 1 captura"));
        keep->choose(qint64{0});
        EXPECT_EQ(alerts.shown.last().messageText,
                  english ? QStringLiteral("Stop keeping and delete the screenshot in the history?")
                          : QStringLiteral("Parar de guardar e apagar o print do histórico?"));
        view.reset();
    }
}

// The wheel scrolls the page, over its pickers too: none changes until the user clicks or tabs into it.
TEST_F(PreferencesViewTest, TheWheelScrollsThePageOverItsPickersUntilOneIsTabbedInto) {
    fill(12);
    open();
    view->resize(1030, 420);
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get(), testsupport::patienceMs));
    auto *scroll = view->findChild<QScrollArea *>();
    ASSERT_NE(scroll, nullptr);
    QScrollBar *bar = scroll->verticalScrollBar();
    const auto stored = [this] {
        return Settings::afterCapture.isStored(defaults) || Settings::quickLifetime.isStored(defaults) ||
               Settings::areaRelease.isStored(defaults) || Settings::historyKeep.isStored(defaults);
    };
    for (Picker *picker : view->findChildren<Picker *>()) {
        if (!picker->isVisible()) continue;
        SCOPED_TRACE(picker->currentText().toStdString());
        scroll->ensureWidgetVisible(picker);
        const QString shown = picker->currentText();
        testsupport::wheelAt(view.get(), picker->mapTo(view.get(), picker->rect().center()), 1);
        testsupport::wheelAt(view.get(), picker->mapTo(view.get(), picker->rect().center()), -1);
        EXPECT_EQ(picker->currentText(), shown);
    }
    // Three notches up with the pointer left over the keep limit, as the page moves under it.
    auto *keep = control<Picker>("Guardar no histórico");
    scroll->ensureWidgetVisible(keep);
    const QPoint pointer = keep->mapTo(view.get(), keep->rect().center());
    const int start = bar->value();
    ASSERT_GT(start, 0);
    for (int notch = 0; notch < 3; ++notch) testsupport::wheelAt(view.get(), pointer, 1);
    EXPECT_LT(bar->value(), start);
    EXPECT_FALSE(stored());
    EXPECT_TRUE(alerts.shown.isEmpty());
    EXPECT_EQ(files().size(), 12);

    // Tabbed into, the keep limit takes the wheel as a choice: 100 with 12 captures, asking nothing.
    keep->setFocus(Qt::TabFocusReason);
    scroll->ensureWidgetVisible(keep);
    const int still = bar->value();
    testsupport::wheelAt(view.get(), keep->mapTo(view.get(), keep->rect().center()), 1);
    EXPECT_EQ(Settings::historyKeep.value(defaults), 100);
    EXPECT_EQ(bar->value(), still);
    EXPECT_TRUE(alerts.shown.isEmpty());
}

TEST_F(PreferencesViewTest, SpaceUsedCountsTheFolderAndDeletesEverythingButTheLimit) {
    open();
    EXPECT_EQ(detailOf(row("Espaço usado")), QStringLiteral("0 KB em 0 capturas"));
    EXPECT_FALSE(testsupport::namedChild<QWidget>(*row("Espaço usado"), "control")->isEnabled());

    Settings::historyKeep.set(100, defaults);
    fill(3);
    EXPECT_EQ(detailOf(row("Espaço usado")), QStringLiteral("1 KB em 3 capturas"));
    control<QAbstractButton>("Espaço usado")->click();
    EXPECT_EQ(alerts.shown.last().buttons.first(), QStringLiteral("Excluir todas"));
    EXPECT_TRUE(QDir(recents->folder()).isEmpty());
    EXPECT_EQ(Settings::historyKeep.value(defaults), 100);
    EXPECT_FALSE(testsupport::namedChild<QWidget>(*row("Espaço usado"), "control")->isEnabled());

    control<QAbstractButton>("Formato compacto (HEIC)")->click();
    EXPECT_FALSE(recents->isCompact());
}

// A stray Return on a question that deletes captures for good deletes nothing: the dialogs themselves,
// as shown, have "Cancelar" as their default button.
TEST_F(PreferencesViewTest, ReturnOnAQuestionThatDeletesDeletesNothing) {
    platform::AlertPresenter::setSharedForTesting(nullptr); // the real dialogs
    fill(35);
    open();
    QStringList answered;
    const auto pressReturnOnceShown = [&answered] {
        auto *poll = new QTimer;
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, &answered] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            poll->stop();
            poll->deleteLater();
            answered.append(box->text());
            // Where the keys go: the button the dialog opened on.
            QWidget *focused = box->focusWidget() ? box->focusWidget() : box;
            QTest::keyClick(focused, Qt::Key_Return);
        });
        poll->start();
    };

    pressReturnOnceShown();
    control<QAbstractButton>("Espaço usado")->click();
    EXPECT_EQ(answered, QStringList{QStringLiteral("Excluir todas as capturas do histórico?")});
    EXPECT_EQ(files().size(), 35);

    pressReturnOnceShown();
    control<Picker>("Guardar no histórico")->choose(qint64(20));
    ASSERT_EQ(answered.size(), 2);
    EXPECT_EQ(answered[1], QStringLiteral("Apagar os 15 prints mais antigos do histórico?"));
    EXPECT_EQ(files().size(), 35);
    EXPECT_FALSE(Settings::historyKeep.isStored(defaults));
}

TEST_F(PreferencesViewTest, ThePermissionRowShowsTheStateAndOnlyOpensTheSettings) {
    open();
    EXPECT_TRUE(sectionTitles().contains(QStringLiteral("PERMISSÕES")));
    EXPECT_EQ(detailOf(row("Acesso à tela")), QStringLiteral("Necessária para capturar"));
    const auto buttons = row("Acesso à tela")->findChildren<QAbstractButton *>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons.first()->text(), QStringLiteral("Abrir configurações do sistema"));
    buttons.first()->click();
    EXPECT_EQ(screen.settingsOpened, 1);
    EXPECT_EQ(screen.requests, 0);
    // Read again as the page comes on screen.
    screen.granted = true;
    view->hide();
    view->show();
    EXPECT_EQ(detailOf(row("Acesso à tela")), QStringLiteral("Concedida"));
}

// X11 asks no permission to read the screen: the page has no section for one.
TEST_F(PreferencesViewTest, APlatformThatAsksNoPermissionShowsNoPermissionRow) {
    screen.needed = false;
    open();
    EXPECT_EQ(row("Acesso à tela"), nullptr);
    EXPECT_FALSE(sectionTitles().contains(QStringLiteral("PERMISSÕES")));
    view->hide();
    view->show(); // read again as the page comes on screen, with nothing to fill
    EXPECT_EQ(screen.requests, 0);
}

// The rows name this system's places in English too.
TEST_F(PreferencesViewTest, TheRowsSpeakOfThisSystemInEnglish) {
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    open();
    EXPECT_EQ(detailOf(view->row(QStringLiteral("Start with the system"))),
              QStringLiteral("Opens Pelicarta in the system tray when you log in"));
    EXPECT_EQ(detailOf(view->row(QStringLiteral("Welcome"))), QStringLiteral("Shows the welcome tour again"));
    EXPECT_EQ(detailOf(view->row(QStringLiteral("Screen access"))), QStringLiteral("Needed to capture"));
}

TEST_F(PreferencesViewTest, StartingAtLoginWritesAndRemovesTheAutostartEntry) {
    const QString entry = platform::AppPaths::autostartEntry();
    QFile::remove(entry);
    open();
    auto *launch = control<QAbstractButton>("Iniciar com o sistema");
    EXPECT_FALSE(launch->isChecked());
    launch->click();
    ASSERT_TRUE(QFile::exists(entry));
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(("Exec=\"" + QCoreApplication::applicationFilePath() + "\"\n").toUtf8()));
    file.close();
    launch->click();
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_EQ(detailOf(row("Iniciar com o sistema")),
              QStringLiteral("Abre o Pelicarta na bandeja do sistema ao entrar na sessão"));

    // A folder that refuses the entry (as root, a file where the folder would be): the row says so and
    // the switch shows the truth.
    const QString folder = QFileInfo(entry).absolutePath();
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (::geteuid() == 0) {
        QDir(folder).removeRecursively();
        QFile blocker(folder);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    launch->click();
    EXPECT_FALSE(launch->isChecked());
    EXPECT_EQ(detailOf(row("Iniciar com o sistema")), QStringLiteral("Não foi possível alterar agora. Tente de novo."));
    QFile::remove(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QDir(folder).removeRecursively();

    // The page is kept between visits: the next visit shows the entry as the desktop's own tools left
    // it, and no longer the failure of the last one.
    view->hide();
    QDir().mkpath(folder);
    QFile written(entry);
    ASSERT_TRUE(written.open(QIODevice::WriteOnly));
    written.write(platform::LoginItem::entryFor(QCoreApplication::applicationFilePath()));
    written.close();
    view->show();
    EXPECT_TRUE(launch->isChecked());
    EXPECT_EQ(detailOf(row("Iniciar com o sistema")),
              QStringLiteral("Abre o Pelicarta na bandeja do sistema ao entrar na sessão"));
    view->hide();
    QFile::remove(entry);
    view->show();
    EXPECT_FALSE(launch->isChecked());
}
