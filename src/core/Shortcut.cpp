#include "core/Shortcut.h"

#include "core/Localization.h"
#include "platform/KeyEvent.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <limits>
#include <utility>

using platform::ModifierFlag::command;
using platform::ModifierFlag::control;
using platform::ModifierFlag::option;
using platform::ModifierFlag::shift;

namespace {

constexpr std::pair<int, const char *> kFunctionKeys[] = {
    {122, "F1"},  {120, "F2"},  {99, "F3"},   {118, "F4"},  {96, "F5"},   {97, "F6"},   {98, "F7"},
    {100, "F8"},  {101, "F9"},  {109, "F10"}, {103, "F11"}, {111, "F12"}, {105, "F13"}, {107, "F14"},
    {113, "F15"}, {106, "F16"}, {64, "F17"},  {79, "F18"},  {80, "F19"},  {90, "F20"},
};

constexpr std::uint32_t kDefaultModifiers = option | shift; // 0xA0000

// A JSON number that is a whole number within [0, max].
std::optional<qint64> wholeNumber(const QJsonValue &value, qint64 max) {
    if (!value.isDouble()) return std::nullopt;
    const double d = value.toDouble();
    if (!(d >= 0 && d <= static_cast<double>(max))) return std::nullopt;
    const auto n = static_cast<qint64>(d);
    if (static_cast<double>(n) != d) return std::nullopt;
    return n;
}

} // namespace

QString Shortcut::modifierLabel(std::uint32_t flag) {
    // The stored flags keep their Mac meaning; the keys they stand for on this keyboard.
    if (flag == command) return QStringLiteral("Ctrl");
    if (flag == option) return QStringLiteral("Alt");
    if (flag == shift) return QStringLiteral("Shift");
    if (flag == control) return QStringLiteral("Super");
    return {};
}

QStringList Shortcut::symbols() const {
    QStringList out;
    for (std::uint32_t flag : {command, option, shift, control})
        if (modifiers & flag) out << modifierLabel(flag);
    // This keyboard's Tab and Backspace keys say their names; the stored key keeps its glyph.
    if (key == QStringLiteral("Espaço")) out << L("Espaço");
    else if (key == QStringLiteral("⇥")) out << QStringLiteral("Tab");
    else if (key == QStringLiteral("⌫")) out << QStringLiteral("Backspace");
    else out << key;
    return out;
}

bool Shortcut::isFunctionKey() const { return !functionKeyLabel(keyCode).isEmpty(); }

QJsonObject Shortcut::toJson() const {
    return QJsonObject{{QStringLiteral("keyCode"), static_cast<int>(keyCode)},
                       {QStringLiteral("modifiers"), static_cast<qint64>(modifiers)},
                       {QStringLiteral("key"), key}};
}

QByteArray Shortcut::toJsonBytes() const {
    // Written by hand to keep the field order keyCode, modifiers, key (QJsonObject sorts its keys).
    const QByteArray keyArray = QJsonDocument(QJsonArray{key}).toJson(QJsonDocument::Compact); // ["…"]
    return "{\"keyCode\":" + QByteArray::number(keyCode) + ",\"modifiers\":" + QByteArray::number(modifiers) +
           ",\"key\":" + keyArray.mid(1, keyArray.size() - 2) + '}';
}

std::optional<Shortcut> Shortcut::fromJson(const QJsonValue &json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject object = json.toObject();
    const auto keyCode =
        wholeNumber(object.value(QStringLiteral("keyCode")), std::numeric_limits<std::uint16_t>::max());
    const auto modifiers =
        wholeNumber(object.value(QStringLiteral("modifiers")), std::numeric_limits<std::uint32_t>::max());
    const QJsonValue key = object.value(QStringLiteral("key"));
    if (!keyCode || !modifiers || !key.isString()) return std::nullopt;
    return Shortcut{static_cast<std::uint16_t>(*keyCode), static_cast<std::uint32_t>(*modifiers), key.toString()};
}

Shortcut Shortcut::defaultFor(ShortcutAction action) {
    switch (action) {
    case ShortcutAction::captureArea: return {0, kDefaultModifiers, QStringLiteral("A")};
    case ShortcutAction::captureWindow: return {13, kDefaultModifiers, QStringLiteral("W")};
    case ShortcutAction::captureFullScreen: return {3, kDefaultModifiers, QStringLiteral("F")};
    case ShortcutAction::repeatLastArea: return {15, kDefaultModifiers, QStringLiteral("R")};
    case ShortcutAction::toggleTutorial: return {17, kDefaultModifiers, QStringLiteral("T")};
    }
    return {};
}

QString Shortcut::functionKeyLabel(int keyCode) {
    for (const auto &[code, label] : kFunctionKeys)
        if (code == keyCode) return QString::fromLatin1(label);
    return {};
}

std::optional<QString> Shortcut::keyName(const platform::KeyEvent &event) {
    const QString function = functionKeyLabel(event.keyCode);
    if (!function.isEmpty()) return function;
    switch (event.keyCode) {
    case 36: return QStringLiteral("↵");
    case 48: return QStringLiteral("⇥");
    case 49: return QStringLiteral("Espaço");
    case 51: return QStringLiteral("⌫");
    case 123: return QStringLiteral("←");
    case 124: return QStringLiteral("→");
    case 125: return QStringLiteral("↓");
    case 126: return QStringLiteral("↑");
    default: break;
    }
    if (event.charactersIgnoringModifiers.isEmpty()) return std::nullopt;
    return event.charactersIgnoringModifiers.toUpper();
}

size_t qHash(const Shortcut &shortcut, size_t seed) {
    return qHashMulti(seed, shortcut.keyCode, shortcut.modifiers, shortcut.key);
}

QString ShortcutProblem::message() const {
    switch (kind) {
    case Kind::reservedBySystem: return L(LKey("Essa combinação é do macOS (%@). Escolha outra.", {text}));
    case Kind::usedByOtherAction: return L(LKey("Já está em uso em “%@”.", {text}));
    case Kind::systemScreenshot:
        return L(LKey("Gravado. É o atalho de %@ do macOS: desligue-o em Teclado › Atalhos de Teclado › Capturas de "
                      "Tela para o Pelicarta recebê-lo.",
                      {text.toLower()}));
    case Kind::needsModifier:
        return L("Use pelo menos ⌘, ⌥ ou ⌃ junto com a tecla (ou uma tecla F13–F20 / Print Screen).");
    }
    return {};
}
