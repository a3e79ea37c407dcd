#include "core/Backdrop.h"

#include "core/ColorValue.h"
#include "core/Localization.h"
#include "core/StyleJson.h"

#include <QHash>
#include <QRandomGenerator>

#include <algorithm>

#include <cmath>

namespace {

constexpr quint32 kSeedColor = 0x6E5BD8; // stands in for the last colour of an empty list
const QString kNone = QStringLiteral("none");

// Where new mesh points go, taken in turn.
constexpr std::array<MeshPoint, 5> kPointTable{MeshPoint{0.15, 0.15}, MeshPoint{0.88, 0.22}, MeshPoint{0.45, 0.9},
                                               MeshPoint{0.9, 0.85}, MeshPoint{0.5, 0.45}};

// Identifier → Portuguese name key of every built-in.
const QHash<QString, QString> &factoryNameKeys() {
    static const QHash<QString, QString> keys{
        {QStringLiteral("aurora"), QStringLiteral("Aurora")},
        {QStringLiteral("nebula"), QStringLiteral("Nebulosa")},
        {QStringLiteral("ocean"), QStringLiteral("Oceano")},
        {QStringLiteral("sunset"), QStringLiteral("Pôr do sol")},
        {QStringLiteral("dusk"), QStringLiteral("Crepúsculo")},
        {QStringLiteral("mint"), QStringLiteral("Menta")},
        {QStringLiteral("graphite"), QStringLiteral("Grafite")},
        {QStringLiteral("pearl"), QStringLiteral("Pérola")},
        {kNone, QStringLiteral("Sem fundo")},
    };
    return keys;
}

Backdrop makeBuiltIn(const char *id, Backdrop::Kind kind, QList<quint32> colors, QList<MeshPoint> points = {}) {
    Backdrop b;
    b.id = QString::fromLatin1(id);
    b.name = L(LKey(factoryNameKeys().value(b.id)));
    b.kind = kind;
    b.colors = std::move(colors);
    b.angle = 135;
    b.points = std::move(points);
    return b;
}

double fraction(double x) { return x - std::floor(x); }

double uniform(QRandomGenerator &random, double low, double high) {
    return low + (high - low) * random.generateDouble();
}

} // namespace

QJsonObject MeshPoint::toJson() const { return QJsonObject{{QStringLiteral("x"), x}, {QStringLiteral("y"), y}}; }

std::optional<MeshPoint> MeshPoint::fromJson(const QJsonValue &json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject object = json.toObject();
    const auto px = stylejson::finiteNumber(object.value(QStringLiteral("x")));
    const auto py = stylejson::finiteNumber(object.value(QStringLiteral("y")));
    if (!px || !py) return std::nullopt;
    return MeshPoint{*px, *py};
}

size_t qHash(const MeshPoint &point, size_t seed) noexcept { return qHashMulti(seed, point.x, point.y); }

int Backdrop::minimumColors(Kind kind) { return static_cast<int>(kind); }

int Backdrop::maximumColors(Kind kind) {
    switch (kind) {
    case Kind::transparent: return 0;
    case Kind::solid: return 1;
    case Kind::linear: return 4;
    case Kind::mesh: return 5;
    }
    return 0;
}

QString Backdrop::rawValue(Kind kind) {
    switch (kind) {
    case Kind::transparent: return QStringLiteral("transparent");
    case Kind::solid: return QStringLiteral("solid");
    case Kind::linear: return QStringLiteral("linear");
    case Kind::mesh: return QStringLiteral("mesh");
    }
    return {};
}

std::optional<Backdrop::Kind> Backdrop::kindFromRawValue(QStringView raw) {
    for (const Kind kind : allKinds) {
        if (rawValue(kind) == raw) return kind;
    }
    return std::nullopt;
}

const Backdrop &Backdrop::transparent() {
    static const Backdrop none = makeBuiltIn("none", Kind::transparent, {});
    return none;
}

const QList<Backdrop> &Backdrop::defaults() {
    static const QList<Backdrop> list{
        makeBuiltIn("aurora", Kind::linear, {0x6E5BD8, 0xB89BE8, 0xF2C9B8}),
        makeBuiltIn("nebula", Kind::mesh, {0x5B4BD6, 0xF29BC4, 0x7FD6E8}, {{0.12, 0.18}, {0.9, 0.25}, {0.45, 0.92}}),
        makeBuiltIn("ocean", Kind::linear, {0x1F4E8C, 0x4FA3C7}),
        makeBuiltIn("sunset", Kind::linear, {0xE26D5A, 0xF3B562}),
        makeBuiltIn("dusk", Kind::mesh, {0xF0A35E, 0xC4527A, 0x2B2F6B}, {{0.85, 0.12}, {0.2, 0.4}, {0.7, 0.95}}),
        makeBuiltIn("mint", Kind::linear, {0x2E8B74, 0xA8E0C8}),
        makeBuiltIn("graphite", Kind::solid, {0x26262E}),
        makeBuiltIn("pearl", Kind::solid, {0xEDE7FA}),
        transparent(),
    };
    return list;
}

Backdrop Backdrop::builtIn(const QString &id) {
    const QList<Backdrop> &all = defaults();
    for (const Backdrop &b : all) {
        if (b.id == id) return b;
    }
    return all.first();
}

QString Backdrop::kindName(Kind kind) {
    switch (kind) {
    case Kind::transparent: return L("Sem fundo");
    case Kind::solid: return L("Sólido");
    case Kind::linear: return L("Linear");
    case Kind::mesh: return L("Malha");
    }
    return {};
}

QString Backdrop::displayName() const {
    const auto key = factoryNameKeys().constFind(id);
    if (key != factoryNameKeys().cend() && L10nCache::variants(*key).contains(name)) return L(LKey(*key));
    return name;
}

quint32 Backdrop::companion(quint32 color, qsizetype step) {
    const Hsb hsb = hsbFromHex(color & 0xFFFFFF);
    const double hue = fraction((step % 2 == 0 ? hsb.hue + 0.12 : hsb.hue - 0.12) + 1);
    const double saturation = hsb.saturation <= 0.35 ? 0.35 : hsb.saturation;
    const double brightness = hsb.brightness <= 0.5 ? 0.6 : std::min(hsb.brightness + 0.1, 0.95);
    return hexFromHsb(hue, saturation, brightness);
}

void Backdrop::setKind(Kind newKind) {
    kind = newKind;
    if (kind == Kind::transparent) {
        colors.clear();
    } else {
        if (colors.isEmpty()) colors.append(kSeedColor);
        while (colors.size() < minimumColors(kind)) colors.append(companion(colors.last(), colors.size()));
        if (colors.size() > maximumColors(kind)) colors.resize(maximumColors(kind));
    }
    syncPoints();
}

void Backdrop::addColor() {
    switch (kind) {
    case Kind::transparent: return;
    case Kind::solid:
        if (!colors.isEmpty()) return;
        colors.append(companion(kSeedColor, 0));
        break;
    case Kind::linear:
    case Kind::mesh:
        if (colors.size() >= maximumColors(kind)) return;
        colors.append(companion(colors.isEmpty() ? kSeedColor : colors.last(), colors.size()));
        break;
    }
    syncPoints();
}

void Backdrop::removeColor(qsizetype index) {
    if (colors.size() <= minimumColors(kind) || index < 0 || index >= colors.size()) return;
    colors.removeAt(index);
    if (index < points.size()) points.removeAt(index);
    syncPoints();
}

void Backdrop::syncPoints() {
    if (kind != Kind::mesh) return;
    while (points.size() < colors.size()) points.append(kPointTable[static_cast<size_t>(points.size() % 5)]);
    if (points.size() > colors.size()) points.resize(colors.size());
}

void Backdrop::randomize() { randomize(*QRandomGenerator::global()); }

void Backdrop::randomize(QRandomGenerator &random) {
    static constexpr std::array<double, 5> hueOffsets{0, 0.08, -0.1, 0.45, 0.2};
    static constexpr std::array<double, 6> angles{45, 90, 135, 160, 180, 225};

    const double baseHue = random.generateDouble();
    const qsizetype n = std::max<qsizetype>(colors.size(), minimumColors(kind));
    QList<quint32> fresh;
    fresh.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        const double hue = fraction(baseHue + hueOffsets[static_cast<size_t>(i % 5)] + 1);
        const double saturation = uniform(random, 0.45, 0.75);
        // The last colour is the dark anchor of the blend.
        const double brightness = i == n - 1 ? uniform(random, 0.35, 0.6) : uniform(random, 0.7, 0.95);
        fresh.append(hexFromHsb(hue, saturation, brightness));
    }
    colors = fresh;

    if (kind == Kind::linear) {
        angle = angles[random.bounded(static_cast<quint32>(angles.size()))];
    } else if (kind == Kind::mesh) {
        for (MeshPoint &p : points) p = MeshPoint{uniform(random, 0.05, 0.95), uniform(random, 0.05, 0.95)};
        syncPoints();
    }
}

QJsonObject Backdrop::toJson() const {
    QJsonArray colorArray;
    for (const quint32 c : colors) colorArray.append(static_cast<qint64>(c));
    return QJsonObject{
        {QStringLiteral("id"), id},
        {QStringLiteral("name"), name},
        {QStringLiteral("kind"), rawValue(kind)},
        {QStringLiteral("colors"), colorArray},
        {QStringLiteral("angle"), angle},
        {QStringLiteral("points"), stylejson::encodeList(points)},
    };
}

std::optional<Backdrop> Backdrop::fromJson(const QJsonValue &json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject object = json.toObject();
    const QJsonValue idValue = object.value(QStringLiteral("id"));
    const QJsonValue nameValue = object.value(QStringLiteral("name"));
    const QJsonValue kindValue = object.value(QStringLiteral("kind"));
    const QJsonValue colorsValue = object.value(QStringLiteral("colors"));
    if (!idValue.isString() || !nameValue.isString() || !kindValue.isString() || !colorsValue.isArray())
        return std::nullopt;

    Backdrop b;
    b.id = idValue.toString();
    b.name = nameValue.toString();
    const auto kindRead = kindFromRawValue(kindValue.toString());
    if (!kindRead) return std::nullopt;
    b.kind = *kindRead;

    // Every colour and point is kept as stored, whatever the kind can show, so that saving writes back
    // what was read; the renderers draw only what the kind shows. A list too long to be anything but
    // hostile makes the backdrop unreadable (the stored value then stays on disk untouched).
    const QJsonArray colorArray = colorsValue.toArray();
    if (colorArray.size() > stylejson::maxStoredListLength) return std::nullopt;
    b.colors.reserve(colorArray.size());
    for (const QJsonValue &value : colorArray) {
        const auto color = stylejson::colorNumber(value);
        if (!color) return std::nullopt;
        b.colors.append(*color);
    }

    const auto angleRead = stylejson::finiteNumber(object.value(QStringLiteral("angle")));
    if (!angleRead) return std::nullopt;
    b.angle = *angleRead;

    const QJsonValue pointsValue = object.value(QStringLiteral("points"));
    if (!pointsValue.isArray()) return std::nullopt;
    const QJsonArray pointArray = pointsValue.toArray();
    if (pointArray.size() > stylejson::maxStoredListLength) return std::nullopt;
    b.points.reserve(pointArray.size());
    for (const QJsonValue &value : pointArray) {
        auto point = MeshPoint::fromJson(value);
        if (!point) return std::nullopt;
        b.points.append(*point);
    }
    return b;
}

size_t qHash(const Backdrop &backdrop, size_t seed) noexcept {
    return qHashMulti(seed, backdrop.id, backdrop.name, static_cast<int>(backdrop.kind), backdrop.colors,
                      backdrop.angle, backdrop.points);
}
