#include "brand/BrandStore.h"

#include "brand/Log.h"
#include "brand/LogoPicture.h"
#include "brand/art/LogoArt.h"
#include "core/Exporter.h"
#include "core/Localization.h"
#include "core/Settings.h"
#include "core/StyleStore.h"
#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/PngCodec.h"
#include "platform/PrivateFolder.h"
#include "platform/RegularFile.h"
#include "platform/UserDefaults.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

const QString kLogoFile = QStringLiteral("logo.png");

bool letterOrDigitAt(const QString &s, qsizetype i) {
    if (i + 1 < s.size() && s[i].isHighSurrogate() && s[i + 1].isLowSurrogate())
        return QChar::isLetterOrNumber(QChar::surrogateToUcs4(s[i], s[i + 1]));
    return s[i].isLetterOrNumber();
}

// The backdrop's name with a leading old label replaced, where that label is a whole word of it:
// "Marca · Sólido" follows a new brand name, "Azul" does not turn into "Abzul" when "A" becomes "Ab".
QString renamed(const QString &name, const QString &oldLabel, const QString &newLabel) {
    if (!name.startsWith(oldLabel)) return name;
    if (name.size() > oldLabel.size() && letterOrDigitAt(name, oldLabel.size())) return name;
    return newLabel + name.mid(oldLabel.size());
}

} // namespace

BrandStore &BrandStore::shared() {
    // Never destroyed: it outlives every view and model that reads it.
    static BrandStore *instance =
        new BrandStore(platform::UserDefaults::standard(), StyleStore::shared(),
                       platform::AppPaths::documentsSubfolderOrRuntime(QStringLiteral("Marca")).path);
    return *instance;
}

BrandStore::BrandStore(platform::UserDefaults &defaults, StyleStore &styles, QString folder, QObject *parent)
    : QObject(parent), m_defaults(defaults), m_styles(styles), m_folder(std::move(folder)) {
    m_kit = BrandKit::fromJson(Settings::brandKit.value(m_defaults)).value_or(BrandKit{});
    m_configured = Settings::brandConfigured.value(m_defaults);
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(refreshDelayMs);
    connect(&m_refresh, &QTimer::timeout, this, &BrandStore::refreshCreatedBackdrops);
    loadLogo();
}

QString BrandStore::logoPath() const { return QDir(m_folder).filePath(kLogoFile); }

void BrandStore::setKit(const BrandKit &kit) {
    const BrandKit old = m_kit;
    m_kit = kit.masked();
    emit kitChanged();
    if (m_kit == old) return;
    platform::UserDefaults::Batch batch(m_defaults);
    followColors(old);
    save();
    markConfigured();
    scheduleRefresh();
}

void BrandStore::followColors(const BrandKit &old) {
    if (m_adjusting || m_skipFollow || !m_kit.customBackdrops) return;
    QList<std::pair<quint32, quint32>> changes;
    const auto role = [&changes](quint32 before, quint32 after) {
        if (before != after) changes.append({before, after});
    };
    role(old.primary, m_kit.primary);
    role(old.secondary, m_kit.secondary);
    role(old.background, m_kit.background);
    role(old.text, m_kit.text);
    const QString oldLabel = old.label(), newLabel = m_kit.label();
    if (changes.isEmpty() && oldLabel == newLabel) return;

    BrandKit adjusted = m_kit;
    for (Backdrop &b : *adjusted.customBackdrops) {
        for (quint32 &c : b.colors) {
            const auto pair = std::find_if(changes.begin(), changes.end(), [c](const auto &p) { return p.first == c; });
            if (pair != changes.end()) c = pair->second;
        }
        if (oldLabel != newLabel) b.name = renamed(b.name, oldLabel, newLabel);
    }
    m_adjusting = true;
    setKit(adjusted);
    m_adjusting = false;
}

void BrandStore::save() { Settings::brandKit.set(m_kit.toJson(), m_defaults); }

void BrandStore::markConfigured() {
    if (m_configured) return;
    m_configured = true;
    Settings::brandConfigured.set(true, m_defaults);
    emit configuredChanged();
}

void BrandStore::scheduleRefresh() {
    if (m_adjusting) return;
    m_refresh.start(); // a pending refresh starts over: the style store follows the last change only
}

void BrandStore::refreshCreatedBackdrops() {
    const QList<Backdrop> listed = m_styles.backdrops();
    for (const Backdrop &b : backdrops()) {
        const auto copy = std::find_if(listed.begin(), listed.end(), [&b](const Backdrop &l) { return l.id == b.id; });
        if (copy != listed.end() && *copy != b) m_styles.saveBackdrop(b);
    }
}

void BrandStore::setLogo(const QImage &logo) {
    m_logo = logo;
    m_logoColors = logo.isNull() ? QList<quint32>{} : LogoArt::palette(logo, 6);
    emit logoChanged();
}

bool BrandStore::folderReady() const {
    // Never a link to another folder, nor another user's folder: nothing is read or written there.
    return !m_folder.isEmpty() && platform::PrivateFolder::ensure(m_folder) == platform::PrivateFolder::Problem::none;
}

void BrandStore::loadLogo() {
    QImage logo;
    if (folderReady()) {
        platform::RegularFile::Read file = platform::RegularFile::read(logoPath(), LogoPictures::maxFileBytes);
        if (file.status == platform::RegularFile::Status::ok) {
            // We only ever write a PNG here, and it is read as nothing else: any other content (an SVG
            // that would fetch files, a document) is no logo, and the file is left as it is.
            QBuffer buffer(&file.bytes);
            buffer.open(QIODevice::ReadOnly);
            QString error;
            if (auto png = platform::PngCodec::decode(buffer, {}, &error)) logo = std::move(*png);
            else
                qCWarning(lcBrand,
                          "%s is not a PNG picture we can read (%s); the brand has no logo until one is "
                          "chosen again",
                          qPrintable(logoPath()), qPrintable(error));
        }
    }
    setLogo(logo.isNull() ? QImage() : logo.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

bool BrandStore::saveLogo(const QImage &image) {
    const auto png = Exporter::encodeWithQt(image, "png");
    if (!png || !folderReady() || !platform::writeFileAtomically(logoPath(), *png)) {
        qCWarning(lcBrand, "the logo could not be saved as %s", qPrintable(logoPath()));
        return false;
    }
    loadLogo();
    return true;
}

void BrandStore::removeLogo() {
    if (folderReady()) platform::PrivateFolder::removeFile(m_folder, kLogoFile);
    setLogo({});
    if (m_kit.logoOnScreenshots) {
        BrandKit kit = m_kit;
        kit.logoOnScreenshots = false;
        setKit(kit);
    }
}

std::optional<BrandLogo> BrandStore::screenshotLogo() const {
    if (!m_kit.logoOnScreenshots) return std::nullopt;
    return previewLogo();
}

std::optional<BrandLogo> BrandStore::previewLogo() const {
    if (m_logo.isNull()) return std::nullopt;
    return BrandLogo{m_logo, m_kit.logoVariant, m_kit.logoPosition, m_kit.logoSize};
}

std::optional<BrandKit> BrandStore::applyLogoColors() {
    const auto roles = LogoArt::suggestedRoles(m_logoColors);
    if (!roles) return std::nullopt;
    const BrandKit before = m_kit;
    BrandKit kit = m_kit;
    kit.primary = roles->primary;
    if (roles->secondary) kit.secondary = *roles->secondary;
    setKit(kit);
    return before;
}

BrandSnapshot BrandStore::snapshot() const {
    return {m_kit.name,       m_kit.primary, m_kit.secondary, m_kit.background, m_kit.text,
            m_kit.fontFamily, m_kit.footer,  m_logo,          m_kit.logoVariant};
}

QList<Backdrop> BrandStore::backdrops() const { return m_kit.customBackdrops.value_or(generatedBackdrops(m_kit)); }

void BrandStore::updateBackdrop(const Backdrop &backdrop) {
    QList<Backdrop> list = backdrops();
    const auto same =
        std::find_if(list.begin(), list.end(), [&backdrop](const Backdrop &b) { return b.id == backdrop.id; });
    if (same != list.end()) *same = backdrop;
    else list.append(backdrop);
    BrandKit kit = m_kit;
    kit.customBackdrops = list;
    setKit(kit);
}

int BrandStore::addBackdropsToEditor() {
    int count = 0;
    for (const Backdrop &b : backdrops()) {
        if (!m_styles.hasRoomForBackdrop(b.id)) continue;
        m_styles.saveBackdrop(b);
        ++count;
    }
    return count;
}

bool BrandStore::backdropsInEditor() const {
    const QList<Backdrop> &listed = m_styles.backdrops();
    return std::any_of(listed.begin(), listed.end(), [](const Backdrop &b) { return isBrandID(b.id); });
}

void BrandStore::removeBackdropsFromEditor() {
    const QList<Backdrop> listed = m_styles.backdrops();
    for (const Backdrop &b : listed)
        if (isBrandID(b.id)) m_styles.removeBackdrop(b);
}

void BrandStore::apply(const BrandImporter::Result &result) {
    BrandKit kit = m_kit;
    for (const auto &[found, field] :
         {std::pair{result.primary, &kit.primary}, std::pair{result.secondary, &kit.secondary},
          std::pair{result.background, &kit.background}, std::pair{result.text, &kit.text}})
        if (found) *field = *found;
    if (result.fontFamily) kit.fontFamily = result.fontFamily;
    if (result.name && kit.name.isEmpty()) kit.name = *result.name;
    setKit(kit);
    markConfigured();
}

QList<Backdrop> BrandStore::generatedBackdrops(const BrandKit &kit) {
    const QString label = kit.label();
    const auto make = [&label](const QString &id, const char *name, Backdrop::Kind kind, QList<quint32> colors,
                               QList<MeshPoint> points = {}) {
        Backdrop b;
        b.id = id;
        b.name = L(LKey(QString::fromUtf8(name), {label}));
        b.kind = kind;
        b.colors = std::move(colors);
        b.angle = 135;
        b.points = std::move(points);
        return b;
    };
    return {make(solidID, "%@ · Sólido", Backdrop::Kind::solid, {kit.primary}),
            make(linearID, "%@ · Degradê", Backdrop::Kind::linear, {kit.primary, kit.secondary}),
            make(meshID, "%@ · Malha", Backdrop::Kind::mesh, {kit.primary, kit.secondary, kit.background},
                 {{0.12, 0.15}, {0.9, 0.3}, {0.4, 0.95}})};
}

bool BrandStore::isBrandID(const QString &id) { return id == solidID || id == linearID || id == meshID; }
