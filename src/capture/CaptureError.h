#pragma once

#include <QHashFunctions>
#include <QString>

#include <utility>
#include <variant>

// Why a capture failed. The four named cases carry fixed messages; `platform` carries the display
// server's own reason (a Portuguese text key), shown as it stands.
class CaptureError {
public:
    enum class Kind { noDisplay, windowGone, cropFailed, windowHidden, platform };

    CaptureError(Kind kind, QString detail = {}) : m_kind(kind), m_detail(std::move(detail)) {}
    static CaptureError platformFailure(const QString &reasonKey) { return {Kind::platform, reasonKey}; }

    Kind kind() const { return m_kind; }
    QString detail() const { return m_detail; }
    // The text shown to the user, in the current language.
    QString message() const;

    friend bool operator==(const CaptureError &, const CaptureError &) = default;

private:
    Kind m_kind;
    QString m_detail;
};

inline size_t qHash(const CaptureError &error, size_t seed = 0) {
    return qHashMulti(seed, static_cast<int>(error.kind()), error.detail());
}

// A value or the reason there is none.
template <typename T>
class CaptureResult {
public:
    CaptureResult(T value) : m_value(std::move(value)) {}
    CaptureResult(CaptureError error) : m_value(std::move(error)) {}
    CaptureResult(CaptureError::Kind kind) : m_value(CaptureError(kind)) {}

    bool ok() const { return std::holds_alternative<T>(m_value); }
    explicit operator bool() const { return ok(); }
    const T &value() const & { return std::get<T>(m_value); }
    T &&value() && { return std::get<T>(std::move(m_value)); }
    const CaptureError &error() const { return std::get<CaptureError>(m_value); }

private:
    std::variant<T, CaptureError> m_value;
};
