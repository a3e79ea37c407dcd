#include "brand/art/BrandLogo.h"

#include "core/Localization.h"

namespace {

template <typename E, size_t N>
std::optional<E> findRaw(const std::array<E, N> &all, const char *const (&raws)[N], QStringView raw) {
    for (size_t i = 0; i < N; ++i)
        if (raw == QLatin1StringView(raws[i])) return all[i];
    return std::nullopt;
}

constexpr const char *positionRaw[] = {"topLeft", "topCenter", "topRight", "bottomLeft", "bottomCenter", "bottomRight"};
constexpr const char *positionLabel[] = {"Em cima, à esquerda", "Em cima, no centro", "Em cima, à direita",
                                         "Embaixo, à esquerda", "Embaixo, no centro", "Embaixo, à direita"};
constexpr const char *variantRaw[] = {"original", "auto", "white", "gray", "black"};
constexpr const char *variantHelp[] = {"As cores do arquivo", "Branco em fundo escuro, preto em fundo claro",
                                       "Todo branco, para fundos escuros", "Em tons de cinza",
                                       "Todo preto, para fundos claros"};
constexpr const char *sizeRaw[] = {"small", "medium", "large"};

template <typename E>
size_t index(E e) {
    return static_cast<size_t>(e);
}

} // namespace

namespace LogoPositions {
QString rawValue(LogoPosition p) { return QString::fromLatin1(positionRaw[index(p)]); }
std::optional<LogoPosition> fromRawValue(QStringView raw) { return findRaw(all, positionRaw, raw); }
QString label(LogoPosition p) { return L(positionLabel[index(p)]); }
} // namespace LogoPositions

namespace LogoVariants {
QString rawValue(LogoVariant v) { return QString::fromLatin1(variantRaw[index(v)]); }
std::optional<LogoVariant> fromRawValue(QStringView raw) { return findRaw(all, variantRaw, raw); }
QString help(LogoVariant v) { return L(variantHelp[index(v)]); }
} // namespace LogoVariants

namespace LogoSizes {
QString rawValue(LogoSize s) { return QString::fromLatin1(sizeRaw[index(s)]); }
std::optional<LogoSize> fromRawValue(QStringView raw) { return findRaw(all, sizeRaw, raw); }
} // namespace LogoSizes
