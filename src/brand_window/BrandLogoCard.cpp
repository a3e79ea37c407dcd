#include "brand_window/BrandLogoCard.h"

#include "brand/BrandStore.h"
#include "brand/LogoLoader.h"
#include "brand_window/LogoDropZone.h"
#include "core/Localization.h"
#include "platform/OpenPanel.h"
#include "widgets/Buttons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent>

BrandLogoCard::BrandLogoCard(BrandStore &brand, QWidget *parent)
    : BrandKitCard(brand, L("Logo e nome"), L("As cores do logo viram as cores da marca na hora."), 14, parent) {
    m_dropZone = new LogoDropZone(this);
    connect(m_dropZone, &LogoDropZone::clicked, this, &BrandLogoCard::chooseLogo);
    connect(m_dropZone, &LogoDropZone::fileDropped, this, &BrandLogoCard::loadLogo);
    content()->addWidget(m_dropZone);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    m_chooseButton = new SecondaryButton(L("Escolher arquivo…"), this);
    connect(m_chooseButton, &QPushButton::clicked, this, &BrandLogoCard::chooseLogo);
    buttons->addWidget(m_chooseButton);
    m_removeButton = borderlessButton(L("Remover"), Theme::text3(), this);
    connect(m_removeButton, &QPushButton::clicked, this, [this] { this->brand().removeLogo(); });
    buttons->addWidget(m_removeButton);
    buttons->addStretch(1);
    content()->addLayout(buttons);
    QLabel *hint = themedLabel(L("PNG, SVG, PDF, AI, EPS, JPEG, WebP ou HEIC. Fundo liso sai sozinho."),
                               Theme::font(11), Theme::text3(), this);
    hint->setWordWrap(true);
    content()->addWidget(hint);
    content()->addSpacing(4);
    auto *name = new QVBoxLayout;
    name->setSpacing(6);
    name->addWidget(new FieldLabel(L("Nome da marca"), this));
    m_nameField = plainField(L("Ex.: ACME"), this);
    connect(m_nameField, &QLineEdit::textEdited, this,
            [this](const QString &t) { writeKit([&](BrandKit &k) { k.name = t; }); });
    name->addWidget(m_nameField);
    content()->addLayout(name);
}

void BrandLogoCard::chooseLogo() {
    const auto path = platform::OpenPanel::shared().run(
        {L("Escolha o logo da marca (PNG, SVG, PDF, AI, EPS, JPEG…)"),
         L("Usar este logo"),
         {QStringLiteral("*.png"), QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.svg"),
          QStringLiteral("*.pdf"), QStringLiteral("*.heic"), QStringLiteral("*.tif"), QStringLiteral("*.tiff"),
          QStringLiteral("*.gif"), QStringLiteral("*.bmp"), QStringLiteral("*.icns"), QStringLiteral("*.ai"),
          QStringLiteral("*.eps"), QStringLiteral("*.epsf"), QStringLiteral("*.webp")},
         L("Arquivos de logo")});
    if (path) loadLogo(*path);
}

void BrandLogoCard::loadLogo(const QString &path) {
    const LatestResult::Ticket ticket = m_logo.next();
    m_loadingLogo = true;
    refresh();
    QtConcurrent::run([path] {
        return LogoLoader::load(path);
    }).then(this, [this, ticket](const LogoLoader::Outcome &outcome) {
        // Always from the event loop, never inside this call (a quick file can be read before
        // then() is reached), so that a choice made right after this one still supersedes it.
        QMetaObject::invokeMethod(
            this,
            [this, ticket, outcome] {
                if (!ticket.isCurrent()) return; // a newer choice or drop took over
                logoLoaded(outcome.image, outcome.note, outcome.message);
            },
            Qt::QueuedConnection);
    });
}

void BrandLogoCard::logoLoaded(const QImage &image, const QString &note, const QString &message) {
    m_loadingLogo = false;
    BrandStore &store = brand();
    if (image.isNull()) {
        emit noticeRaised({message, true, std::nullopt});
    } else if (!store.saveLogo(image)) {
        emit noticeRaised({L("Não consegui guardar o logo no Mac."), true, std::nullopt});
    } else {
        store.markConfigured();
        const std::optional<BrandKit> before = store.applyLogoColors();
        QStringList sentences{before ? L("Logo pronto. A principal e a secundária agora vêm das cores dele.")
                                     : L("Logo pronto. Ele não tem cor (só preto, branco ou cinza), então as cores "
                                         "da marca ficaram como estavam.")};
        if (!note.isEmpty()) sentences << note;
        emit noticeRaised({sentences.join(QLatin1Char(' ')), false, before});
    }
    refresh();
    emit logoLoadFinished();
}

void BrandLogoCard::sync() {
    const BrandStore &store = brand();
    const BrandKit &kit = store.kit();
    const bool has = !store.logo().isNull();
    m_dropZone->setLogo(store.logo());
    m_dropZone->setColors(kit.background, kit.text);
    m_dropZone->setBusy(m_loadingLogo);
    m_chooseButton->setText(has ? L("Trocar logo…") : L("Escolher arquivo…"));
    m_chooseButton->updateGeometry();
    m_removeButton->setVisible(has);
    if (m_nameField->text() != kit.name) m_nameField->setText(kit.name);
}
