#pragma once

#include "core/BeautyStyle.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// One capture open in the editor. Created only by the router (AppRouter::openEditor).
class EditorModel : public QObject {
    Q_OBJECT
public:
    // `sourcePath`: the kept capture file it came from, empty when the capture was not kept.
    // No style: the stored default style.
    EditorModel(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style,
                QObject *parent = nullptr);

    const QImage &original() const { return m_original; }
    QSize imageSize() const { return m_original.size(); }
    const QString &sourcePath() const { return m_sourcePath; }
    // The capture's recents file once it has been written (the editor may open before it is).
    void setSourcePath(const QString &path) { m_sourcePath = path; }
    const BeautyStyle &style() const { return m_style; }

    // Set by the router: closes the main window and keeps the capture open.
    std::function<void()> onClose;
    void close();

    // Ends the typing of a text annotation, if one is being typed.
    void finishTextEditing();

private:
    QImage m_original;
    QString m_sourcePath;
    BeautyStyle m_style;
};
