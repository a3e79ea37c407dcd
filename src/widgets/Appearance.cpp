#include "widgets/Appearance.h"

#include "platform/StringTables.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPalette>
#include <QStyleFactory>
#include <QToolTip>
#include <QTranslator>

namespace Appearance {

QPalette palette() {
    QPalette p;
    const auto set = [&p](QPalette::ColorRole role, const QColor &active, const QColor &disabled) {
        p.setColor(QPalette::Active, role, active);
        p.setColor(QPalette::Inactive, role, active);
        p.setColor(QPalette::Disabled, role, disabled);
    };
    const QColor disabledText = Theme::rgb(0x8A8A98, 0.6);
    set(QPalette::Window, Theme::bg(), Theme::bg());
    set(QPalette::WindowText, Theme::text(), disabledText);
    set(QPalette::Base, Theme::panel(), Theme::panel());
    set(QPalette::AlternateBase, Theme::raised(), Theme::raised());
    set(QPalette::ToolTipBase, Theme::raised(), Theme::raised());
    set(QPalette::ToolTipText, Theme::text(), Theme::text());
    set(QPalette::PlaceholderText, Theme::text3(), disabledText);
    set(QPalette::Text, Theme::text(), disabledText);
    set(QPalette::Button, Theme::raised(), Theme::panel());
    set(QPalette::ButtonText, Theme::text(), disabledText);
    set(QPalette::BrightText, Theme::warning(), Theme::warning());
    set(QPalette::Highlight, Theme::accent(), Theme::raised());
    set(QPalette::HighlightedText, Theme::ink(), Theme::text3());
    set(QPalette::Link, Theme::accent(), Theme::text3());
    set(QPalette::LinkVisited, Theme::accent(), Theme::text3());
    // The bevels Fusion draws: opaque mixes of the raised fill and white, as the hairlines are.
    set(QPalette::Light, Theme::rgb(0x3A3A44), Theme::rgb(0x2A2A33));
    set(QPalette::Midlight, Theme::rgb(0x2A2A33), Theme::rgb(0x22222A));
    set(QPalette::Mid, Theme::rgb(0x22222A), Theme::rgb(0x1A1A21));
    set(QPalette::Dark, Theme::rgb(0x0B0B0F), Theme::rgb(0x0B0B0F));
    set(QPalette::Shadow, Theme::rgb(0x000000), Theme::rgb(0x000000));
    return p;
}

namespace {

// The words of the file dialog's type column that Qt's Portuguese translation leaves in English.
class FileTypeWords : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
        if (qstrcmp(source, "Folder") == 0) return QStringLiteral("Pasta");
        if (qstrcmp(source, "Drive") == 0) return QStringLiteral("Unidade");
        return {};
    }
};

// Qt's translations of its own texts, for the language the string tables show ("pt-BR" → qtbase_pt_BR).
void installQtTranslations(QApplication &app) {
    const QString language = platform::StringTables::currentLanguage();
    const QLocale locale(QString(language).replace(QLatin1Char('-'), QLatin1Char('_')));
    if (locale.language() == QLocale::English) return; // Qt's own texts are English already
    if (locale.language() == QLocale::Portuguese) QCoreApplication::installTranslator(new FileTypeWords(&app));
    auto *translator = new QTranslator(&app);
    if (translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else delete translator;
}

} // namespace

void apply(QApplication &app) {
    // Fusion draws everything from the palette, whatever the desktop's own theme is.
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
    QApplication::setPalette(palette());
    QToolTip::setPalette(palette());
    QApplication::setFont(Theme::font(13));
    installQtTranslations(app);
}

} // namespace Appearance
