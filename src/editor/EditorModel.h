#pragma once

#include "core/Annotation.h"
#include "core/BackdropDraft.h"
#include "core/BeautyStyle.h"
#include "core/EditorTool.h"
#include "core/ExportSettings.h"
#include "core/StylePreset.h"
#include "editor/EditorCommand.h"
#include "editor/EditorDocument.h"
#include "editor/EditorPageState.h"
#include "editor/EditorRenderJob.h"
#include "editor/EditorRenderers.h"

#include <QFuture>
#include <QImage>
#include <QList>
#include <QObject>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class QMimeData;

// One capture open in the editor, as the views see it: its document (EditorDocument: the image,
// style, marks, crop and undo history), the page's state (EditorPageState: command bar, sheets and
// flags) and the rendered result (EditorRenderJob), with the operations that reach across them: the
// style operations, the command bar's table and the output. Created only by the router, one per
// opened image. Main thread only.
//
// Every change of the document starts a new render; a drag or a text entry renders when it ends.
class EditorModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(BeautyStyle style READ style WRITE setStyle NOTIFY styleChanged)
    Q_PROPERTY(EditorTool tool READ tool WRITE setTool NOTIFY toolChanged)
    Q_PROPERTY(QList<Annotation> annotations READ annotations NOTIFY annotationsChanged)
    Q_PROPERTY(std::optional<QRectF> crop READ crop WRITE setCrop NOTIFY cropChanged)
    Q_PROPERTY(std::optional<QUuid> selectedID READ selectedID WRITE setSelectedID NOTIFY selectedIDChanged)
    Q_PROPERTY(std::optional<QUuid> editingTextID READ editingTextID NOTIFY editingTextIDChanged)
    Q_PROPERTY(quint32 annotationColor READ annotationColor NOTIFY annotationColorChanged)
    Q_PROPERTY(Annotation::Thickness thickness READ thickness NOTIFY thicknessChanged)
    Q_PROPERTY(bool isDetectingSensitive READ isDetectingSensitive NOTIFY isDetectingSensitiveChanged)
    Q_PROPERTY(QImage preview READ preview NOTIFY previewChanged)
    Q_PROPERTY(QSize outputSize READ outputSize NOTIFY outputSizeChanged)
    Q_PROPERTY(bool showOriginal READ showOriginal WRITE setShowOriginal NOTIFY showOriginalChanged)
    Q_PROPERTY(bool isCommandBarOpen READ isCommandBarOpen WRITE setCommandBarOpen NOTIFY isCommandBarOpenChanged)
    Q_PROPERTY(QString commandQuery READ commandQuery WRITE setCommandQuery NOTIFY commandQueryChanged)
    Q_PROPERTY(int commandSelection READ commandSelection WRITE setCommandSelection NOTIFY commandSelectionChanged)
    Q_PROPERTY(bool isShortcutsOpen READ isShortcutsOpen WRITE setShortcutsOpen NOTIFY isShortcutsOpenChanged)
    Q_PROPERTY(std::optional<BackdropDraft> backdropDraft READ backdropDraft WRITE setBackdropDraft NOTIFY
                   backdropDraftChanged)
    Q_PROPERTY(std::optional<qint64> estimatedBytes READ estimatedBytes NOTIFY estimatedBytesChanged)
    Q_PROPERTY(QSize exportPixelSize READ exportPixelSize NOTIFY exportPixelSizeChanged)
    Q_PROPERTY(bool isReadingText READ isReadingText NOTIFY isReadingTextChanged)

public:
    static constexpr int maxUndo = EditorDocument::maxUndo;

    // `sourcePath`: the kept capture file it came from, empty when there is none (yet). No style: the
    // stored default style. The first render starts at once.
    EditorModel(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style,
                QObject *parent = nullptr, EditorRenderers renderers = EditorRenderers::standard());
    // Background work still running is dropped when it finishes.
    ~EditorModel() override;

    // --- The capture (EditorDocument) --------------------------------------------------------------
    // Packed away while nobody sees the editor (releaseCaches), it is unpacked here when asked for
    // before the next render has done so.
    const QImage &original() const { return m_document.original(); }
    const QImage &originalImage() const { return original(); }
    QSize imageSize() const { return m_document.imageSize(); }
    qint64 originalKey() const { return m_document.originalKey(); }
    bool isOriginalPacked() const { return m_document.isOriginalPacked(); }
    const QString &sourcePath() const { return m_document.sourcePath(); }
    // The capture's recents file once it has been written (the editor may open before it is).
    void setSourcePath(const QString &path) { m_document.setSourcePath(path); }
    const QImage &pixelatedImage() const { return m_render.pixelatedImage(); }

    // --- State (EditorDocument) --------------------------------------------------------------------
    const BeautyStyle &style() const { return m_document.style(); }
    void setStyle(const BeautyStyle &style) { m_document.setStyle(style); }
    EditorTool tool() const { return m_document.tool(); }
    void setTool(EditorTool tool) { m_document.setTool(tool); }
    const QList<Annotation> &annotations() const { return m_document.annotations(); }
    const std::optional<QRectF> &crop() const { return m_document.crop(); }
    void setCrop(const std::optional<QRectF> &crop) { m_document.setCrop(crop); }
    void removeCrop() { m_document.removeCrop(); }
    const std::optional<QUuid> &selectedID() const { return m_document.selectedID(); }
    void setSelectedID(const std::optional<QUuid> &id) { m_document.setSelectedID(id); }
    std::optional<Annotation> selectedAnnotation() const { return m_document.selectedAnnotation(); }
    const std::optional<QUuid> &editingTextID() const { return m_document.editingTextID(); }
    quint32 annotationColor() const { return m_document.annotationColor(); }
    Annotation::Thickness thickness() const { return m_document.thickness(); }
    QRectF visibleRect() const { return m_document.visibleRect(); }

    // --- Flags and sheets the page shows (EditorPageState) -----------------------------------------
    bool isDetectingSensitive() const { return m_page.isDetectingSensitive(); }
    void setDetectingSensitive(bool on) { m_page.setDetectingSensitive(on); }
    bool isReadingText() const { return m_page.isReadingText(); }
    void setReadingText(bool on) { m_page.setReadingText(on); }
    bool showOriginal() const { return m_page.showOriginal(); }
    void setShowOriginal(bool on) { m_page.setShowOriginal(on); }
    bool isCommandBarOpen() const { return m_page.isCommandBarOpen(); }
    void setCommandBarOpen(bool open) { m_page.setCommandBarOpen(open); }
    const QString &commandQuery() const { return m_page.commandQuery(); }
    void setCommandQuery(const QString &query) { m_page.setCommandQuery(query); }
    int commandSelection() const { return m_page.commandSelection(); }
    void setCommandSelection(int row) { m_page.setCommandSelection(row); }
    bool isShortcutsOpen() const { return m_page.isShortcutsOpen(); }
    void setShortcutsOpen(bool open) { m_page.setShortcutsOpen(open); }
    const std::optional<BackdropDraft> &backdropDraft() const { return m_page.backdropDraft(); }
    void setBackdropDraft(const std::optional<BackdropDraft> &draft) { m_page.setBackdropDraft(draft); }

    // Set by the router: closes the main window and keeps the capture open.
    std::function<void()> onClose;
    void close();

    // --- Marks, gestures and history (EditorDocument) ----------------------------------------------
    std::optional<QUuid> startAnnotation(QPointF p) { return m_document.startAnnotation(p); }
    void updateAnnotation(const QUuid &id, QPointF end) { m_document.updateAnnotation(id, end); }
    void replaceAnnotation(const Annotation &annotation) { m_document.replaceAnnotation(annotation); }
    void finishAnnotation(const QUuid &id) { m_document.finishAnnotation(id); }
    void setText(const QUuid &id, const QString &text) { m_document.setText(id, text); }
    void editText(const QUuid &id) { m_document.editText(id); }
    void finishTextEditing() { m_document.finishTextEditing(); }
    void finishCrop() { m_document.finishCrop(); }
    void deleteSelected() { m_document.deleteSelected(); }
    void nudgeSelected(double dx, double dy) { m_document.nudgeSelected(dx, dy); }
    void clearAnnotations() { m_document.clearAnnotations(); }
    void addAnnotations(const QList<Annotation> &added) { m_document.addAnnotations(added); }
    void setAnnotationColor(quint32 color) { m_document.setAnnotationColor(color); }
    void setThickness(Annotation::Thickness thickness) { m_document.setThickness(thickness); }
    double strokeWidth(Annotation::Thickness thickness) const { return m_document.strokeWidth(thickness); }
    void beginInteraction() { m_document.beginInteraction(); }
    void endInteraction() { m_document.endInteraction(); }
    bool isInteracting() const { return m_document.isInteracting(); }
    void undo() { m_document.undo(); }
    void redo() { m_document.redo(); }
    bool canUndo() const { return m_document.canUndo(); }
    bool canRedo() const { return m_document.canRedo(); }

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

    // --- Rendering (EditorRenderJob) ---------------------------------------------------------------
    const QImage &preview() const { return m_render.preview(); }
    QSize outputSize() const { return m_render.outputSize(); }
    const std::optional<qint64> &estimatedBytes() const { return m_render.estimatedBytes(); }
    QSize exportPixelSize() const { return m_render.exportPixelSize(); }
    void rerender() { m_render.rerender(); }
    void refresh() { m_render.refresh(); }
    // Its marks, style and history stay.
    void releaseCaches() { m_render.releaseCaches(); }
    void ensurePreview() { m_render.ensurePreview(); }
    void stopBackgroundWork() { m_render.stopBackgroundWork(); }
    void updateEstimate() { m_render.updateEstimate(); }
    // A text being typed is committed first.
    QImage finalImage(const std::optional<ExportSettings> &settings = std::nullopt);

    // --- Output ------------------------------------------------------------------------------------
    // Copies the result to the clipboard as PNG at the stored export scale (transparency kept, whatever
    // the stored format). Only once the clipboard holds it: the toast "Copiado" and the window closes
    // (onClose). A result that cannot be made or copied is reported and the editor stays.
    void copy();
    // Encodes the result with the stored export settings and saves it where the user says in the save
    // panel (ExportSaving); a result that cannot be made or encoded is reported instead.
    void save();
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

signals:
    void styleChanged();
    void toolChanged();
    void annotationsChanged();
    void cropChanged();
    void selectedIDChanged();
    void editingTextIDChanged();
    void annotationColorChanged();
    void thicknessChanged();
    void isDetectingSensitiveChanged();
    void previewChanged();
    void outputSizeChanged();
    void showOriginalChanged();
    void isCommandBarOpenChanged();
    void commandQueryChanged();
    void commandSelectionChanged();
    void isShortcutsOpenChanged();
    void backdropDraftChanged();
    void estimatedBytesChanged();
    void exportPixelSizeChanged();
    void isReadingTextChanged();
    // canUndo() or canRedo() changed.
    void historyChanged();

private:
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

    // The render job reads the document: it is made after it and goes before it.
    EditorDocument m_document;
    EditorPageState m_page;
    EditorRenderJob m_render;

    std::optional<QUuid> m_ocrToken; // the text reading whose result is awaited
    QFuture<QString> m_reading;
};
