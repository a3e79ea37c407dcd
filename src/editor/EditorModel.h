#pragma once

#include "core/BeautyStyle.h"
#include "core/ExportSettings.h"
#include "core/StylePreset.h"
#include "editor/EditorCommand.h"
#include "editor/EditorDocument.h"
#include "editor/EditorPageState.h"
#include "editor/EditorRenderJob.h"
#include "editor/EditorRenderers.h"

#include <QDateTime>
#include <QFuture>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class QMimeData;
class StyleStore;

// One capture open in the editor: its document (EditorDocument: the image, style, marks, crop and undo
// history), the page's state (EditorPageState: command bar, sheets and flags) and the rendered result
// (EditorRenderJob), with the operations that reach across them: the style operations, the command
// bar's table, the output and the final image. Views take the part they show and observe it there.
// Created only by the router, one per opened image. Main thread only.
//
// Every change of the document starts a new render; a drag or a text entry renders when it ends.
class EditorModel : public QObject {
    Q_OBJECT

public:
    // `sourcePath`: the kept capture file it came from, empty when there is none (yet). No style: the
    // store's default style. The first render starts at once.
    EditorModel(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style,
                StyleStore &styles, QObject *parent = nullptr);
    // Background work still running is dropped when it finishes.
    ~EditorModel() override;

    // --- The parts ---------------------------------------------------------------------------------
    EditorDocument &document() { return m_document; }
    const EditorDocument &document() const { return m_document; }
    EditorPageState &page() { return m_page; }
    const EditorPageState &page() const { return m_page; }
    EditorRenderJob &render() { return m_render; }
    const EditorRenderJob &render() const { return m_render; }

    // Set by the router: closes the main window and keeps the capture open.
    std::function<void()> onClose;
    void close();

    // --- Style operations --------------------------------------------------------------------------
    // The stored preset at `index`; nothing outside the list.
    void applyPreset(int index);
    // The stored backdrop after the current one, wrapping; the first when the current is not stored.
    void nextBackdrop();
    // Opens the editor on a new backdrop made from the current one (a solid one becomes a gradient);
    // at the store's limit only tells so.
    void newBackdrop();
    // Opens the editor on `backdrop`; the transparent one starts a new backdrop instead.
    void editBackdrop(const Backdrop &backdrop);
    // The calls below take their backdrop or preset by copy: views pass elements of the store's
    // lists, which these calls replace.
    // Stores a copy under a new identifier and uses it; nothing for the transparent one or at the limit.
    void duplicateBackdrop(Backdrop backdrop);
    // Removes it from the store (the style keeps its copy) and closes its editor.
    void deleteBackdrop(Backdrop backdrop);
    // The editor's save: stores the backdrop, uses it and closes the editor. When the store is full
    // and the backdrop is new, tells so and keeps the editor open and the style as it was.
    void commitBackdrop(Backdrop backdrop);
    // The preset takes the current style.
    void updatePreset(StylePreset preset);
    void deletePreset(StylePreset preset);
    // The margin moved by `delta` points, kept within 0…160.
    void adjustPadding(double delta);
    void toggleCorners();
    void toggleShadow();
    void toggleBalance();
    // The current style becomes the stored default.
    void makeDefault();
    // Asks a name and stores the current style as a new preset; at nine presets only tells so.
    void saveAsPreset();
    // Asks for a name in a modal prompt: the answer trimmed of white space, none when cancelled or blank.
    std::optional<QString> askName(const QString &title, const QString &message, const QString &initial,
                                   const QString &confirm);

    // --- Output ------------------------------------------------------------------------------------
    // The result at full size for `settings` (none: the stored ones); a text being typed is committed
    // first.
    QImage finalImage(const std::optional<ExportSettings> &settings = std::nullopt);
    // Copies the result to the clipboard as PNG at the stored export scale (transparency kept, whatever
    // the stored format). Only once the clipboard holds it: the toast "Copiado" and the window closes
    // (onClose). A result that cannot be made or copied is reported and the editor stays.
    void copy();
    // Encodes the result with the stored export settings and saves it where the user says in the save
    // panel (ExportSaving), proposing the name of the moment the capture was taken; a result that
    // cannot be made or encoded is reported instead.
    void save();
    // When the capture was taken: the moment its file is named after, or, before it has one (a capture
    // just taken) or for another file, when the editor opened it.
    QDateTime takenAt() const;
    // What dragging the result out carries: encoded with the stored export settings and written as a
    // drag file (DragFile::mimeData). The caller owns it.
    QMimeData *dragProvider();
    // Reads the text of the whole capture (15 s at most) and puts it on the clipboard as plain text,
    // with a toast counting its lines. Called again while reading, it stops the reading instead: the
    // clipboard is not touched.
    void copyText();
    // Finds sensitive data in the whole capture (20 s at most) and covers each find with a black blur,
    // all in one undo step after the marks there are, then returns to the preview tool. Ignored while a
    // search runs.
    void hideSensitiveData();

    // --- Command bar -------------------------------------------------------------------------------
    // Every row of the bar, built from the current state on each call: the tools, the backdrops, the
    // presets, the style, the export and the actions.
    QList<EditorCommand> commands();
    // The rows that match the query (EditorPageState::filtered).
    QList<EditorCommand> filteredCommands() { return m_page.filtered(commands()); }
    // Closes the bar, then runs the selected row of the filtered list; nothing for a selection
    // outside it.
    void runSelectedCommand();
    // Moves the selection by `step` rows, wrapping around the filtered list.
    void moveCommandSelection(int step) { m_page.moveCommandSelection(step, int(filteredCommands().size())); }

private:
    // What the toasts show: the last result, or the capture before there is one.
    const QImage &original() const { return m_document.original(); }
    const QImage &preview() const { return m_render.preview(); }

    // Style operations' helpers.
    void changeStyle(const std::function<void(BeautyStyle &)> &edit);
    // A toast over the last result, or the capture before there is one: something done, or something
    // that failed or was refused.
    void notify(const QString &title, const QString &subtitle);
    void notifyFailure(const QString &title, const QString &subtitle);

    // Output's helpers.
    struct Encoded {
        QImage image;
        std::optional<QByteArray> bytes; // none when there is no image or the encoding failed
    };
    Encoded encodedExport(const ExportSettings &settings);
    void notifyNotMade(ExportFormat format);
    // Ends the text reading of `token`; false when it is no longer the current one.
    bool endReading(const QUuid &token);
    void announceText(const QString &text);
    void coverSensitive(const QList<QRectF> &regions);

    StyleStore &m_styles;
    // The shared ones when the model was made: its background work calls them to its end.
    EditorRenderers &m_renderers;
    // The render job reads the document: it is made after it and goes before it.
    EditorDocument m_document;
    EditorPageState m_page;
    EditorRenderJob m_render;

    QDateTime m_openedAt;
    std::optional<QUuid> m_ocrToken; // the text reading whose result is awaited
    QFuture<QString> m_reading;
};
