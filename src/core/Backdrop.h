#pragma once

#include <QHashFunctions>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

class QRandomGenerator;

// A mesh-gradient anchor in unit coordinates of the image: x 0 at the left edge, 1 at the right;
// y 0 at the top edge, 1 at the bottom. JSON {"x": number, "y": number}, both required.
struct MeshPoint {
    double x = 0;
    double y = 0;

    bool operator==(const MeshPoint &) const = default;

    QJsonObject toJson() const;
    static std::optional<MeshPoint> fromJson(const QJsonValue &json);
};

size_t qHash(const MeshPoint &point, size_t seed = 0) noexcept;

// What is drawn behind a screenshot. Colours are 0xRRGGBB; the angle is in degrees, 0 pointing to
// the top edge and growing clockwise (linear kind only); points anchor the colours of the mesh kind.
//
// Stored values are not held to the colour-count rules (the renderers accept any count); the
// editing operations below restore them whenever the user edits.
struct Backdrop {
    // In this order; a kind's position equals its minimum colour count.
    enum class Kind { transparent, solid, linear, mesh };
    static constexpr std::array<Kind, 4> allKinds{Kind::transparent, Kind::solid, Kind::linear, Kind::mesh};

    QString id;   // "none" is reserved for the transparent backdrop
    QString name; // as stored; show displayName()
    Kind kind = Kind::transparent;
    QList<quint32> colors;
    double angle = 135;
    QList<MeshPoint> points;

    bool operator==(const Backdrop &) const = default;

    // Colour counts allowed for a kind: transparent 0…0, solid 1…1, linear 2…4, mesh 3…5.
    static int minimumColors(Kind kind);
    static int maximumColors(Kind kind);
    // "transparent", "solid", "linear", "mesh"; any other string is no kind.
    static QString rawValue(Kind kind);
    static std::optional<Kind> kindFromRawValue(QStringView raw);
    // The kind as the user reads it: "Sem fundo", "Sólido", "Linear" or "Malha".
    static QString kindName(Kind kind);

    // The eight built-in backdrops followed by the transparent one, named in the language current
    // when the list is first used.
    static const QList<Backdrop> &defaults();
    // Identifier "none", kind transparent, no colours, angle 135, no points.
    static const Backdrop &transparent();
    // The built-in with this identifier ("none" gives the transparent one); aurora for any other.
    static Backdrop builtIn(const QString &id);

    // A built-in whose stored name is any translation of its name shows in the current language;
    // every other name shows as it stands.
    QString displayName() const;

    // Switches the kind and brings the colours (and, for mesh, the points) within its bounds.
    void setKind(Kind newKind);
    // Appends a neighbouring colour while the kind allows one more; otherwise changes nothing.
    void addColor();
    // Removes the colour (and its mesh point) unless the kind's minimum is reached or the index is
    // outside the list.
    void removeColor(qsizetype index);
    // New harmonious colours and, by kind, a new angle or new mesh points.
    void randomize();
    void randomize(QRandomGenerator &random);
    // Mesh kind only: as many points as colours, new ones taken from a fixed table.
    void syncPoints();

    // All six keys required; a colour must be a whole number in 0…4294967295 (only the low 24
    // bits are drawn), numbers must be finite.
    QJsonObject toJson() const;
    static std::optional<Backdrop> fromJson(const QJsonValue &json);

private:
    // A neighbour of `color`: hue turned by ±0.12 by the parity of `step`, muted colours lifted.
    static quint32 companion(quint32 color, qsizetype step);
};

size_t qHash(const Backdrop &backdrop, size_t seed = 0) noexcept;
