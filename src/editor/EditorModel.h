#pragma once

#include "brand/art/BrandLogo.h"
#include "core/Annotation.h"
#include "core/BackdropDraft.h"
#include "core/BeautyStyle.h"
#include "core/EditorTool.h"
#include "core/ExportSettings.h"
#include "core/StylePreset.h"
#include "editor/EditorCommand.h"
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
#include <memory>
#include <optional>

class CancelFlag;
class QMimeData;

// One capture open in the editor: its image, beautify style, marks, crop, tool and selection, the
// undo history, the flags the editor page shows, and the beautified result, rendered in the
// background with an estimate of its export size. Created only by the router, one per opened image.
// Main thread only.
//
// Every change of the style, the marks or the crop is one undo step and starts a new render. A drag
// or a text entry is one interaction: its changes make a single step, and it renders when it ends.
// A change from anywhere else (style operations, commands) first ends a text entry; one that arrives
// during a drag is applied when the drag ends, as its own step.
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
    static constexpr int maxUndo = 100;

    // `sourcePath`: the kept capture file it came from, empty when there is none (yet). No style: the
    // stored default style. The first render starts at once.
    EditorModel(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style,
                QObject *parent = nullptr, EditorRenderers renderers = EditorRenderers::standard());
    // Background work still running is dropped when it finishes.
    ~EditorModel() override;

    // --- The capture -------------------------------------------------------------------------------
    // Mark points and the crop are in its pixels, origin top left. Packed away while nobody sees the
    // editor (releaseCaches), it is unpacked here when asked for before the next render has done so.
    const QImage &original() const;
    const QImage &originalImage() const { return original(); }
    QSize imageSize() const { return m_imageSize; }
    // The cache key of the image the editor was opened with, also while it is packed away.
    qint64 originalKey() const { return m_originalKey; }
    // Whether the capture's pixels are packed away (lossless, compressed) instead of held.
    bool isOriginalPacked() const { return m_packed.has_value(); }
    const QString &sourcePath() const { return m_sourcePath; }
    // The capture's recents file once it has been written (the editor may open before it is).
    void setSourcePath(const QString &path) { m_sourcePath = path; }
    // The mosaic that blur marks show, made on first use; null when it cannot be made.
    const QImage &pixelatedImage() const;

    // --- State -------------------------------------------------------------------------------------
    const BeautyStyle &style() const { return m_style; }
    // A different style is one undo step and a new render.
    void setStyle(const BeautyStyle &style);
    EditorTool tool() const { return m_tool; }
    // A different tool ends the text entry and the drag in progress (a shape drawn so far meets the
    // size floors as at a release); preview and crop clear the selection.
    void setTool(EditorTool tool);
    const QList<Annotation> &annotations() const { return m_annotations; }
    const std::optional<QRectF> &crop() const { return m_crop; }
    // The crop as drawn, in image pixels (none: the whole image). Outside a drag, one undo step.
    void setCrop(const std::optional<QRectF> &crop);
    // Takes the crop away (the command's way: ends a text entry, waits for a drag).
    void removeCrop();
    const std::optional<QUuid> &selectedID() const { return m_selectedID; }
    void setSelectedID(const std::optional<QUuid> &id);
    std::optional<Annotation> selectedAnnotation() const;
    const std::optional<QUuid> &editingTextID() const { return m_editingTextID; }
    quint32 annotationColor() const { return m_annotationColor; }
    Annotation::Thickness thickness() const { return m_thickness; }
    // The part of the image the result shows: the crop rounded outward and clipped to the image, or
    // the whole image when there is no crop or that leaves less than 8 × 8 pixels.
    QRectF visibleRect() const;

    // --- Flags the editor page shows ---------------------------------------------------------------
    bool isDetectingSensitive() const { return m_detectingSensitive; }
    void setDetectingSensitive(bool on);
    bool isReadingText() const { return m_readingText; }
    void setReadingText(bool on);
    bool showOriginal() const { return m_showOriginal; }
    void setShowOriginal(bool on);
    bool isCommandBarOpen() const { return m_commandBarOpen; }
    // Every assignment of true also empties the query and selects the first row.
    void setCommandBarOpen(bool open);
    const QString &commandQuery() const { return m_commandQuery; }
    // Every assignment selects the first row, so typing always highlights the first match.
    void setCommandQuery(const QString &query);
    int commandSelection() const { return m_commandSelection; }
    void setCommandSelection(int row);
    bool isShortcutsOpen() const { return m_shortcutsOpen; }
    void setShortcutsOpen(bool open);
    // The backdrop under edit; while set, the backdrop editor is shown. The page's cancel sets none.
    const std::optional<BackdropDraft> &backdropDraft() const { return m_backdropDraft; }
    void setBackdropDraft(const std::optional<BackdropDraft> &draft);

    // Set by the router: closes the main window and keeps the capture open.
    std::function<void()> onClose;
    void close();

    // --- Marks ---------------------------------------------------------------------------------------
    // Starts a mark of the current tool's kind at `p` (image pixels) and selects it; a text starts
    // its entry. None, and nothing changes, when the tool draws nothing.
    std::optional<QUuid> startAnnotation(QPointF p);
    // Moves the end point of the mark being drawn.
    void updateAnnotation(const QUuid &id, QPointF end);
    // Replaces the mark with the same identifier (move, resize, restyle, nudge).
    void replaceAnnotation(const Annotation &annotation);
    // Ends drawing a mark: an arrow shorter than 8 pixels, or a box, highlight or blur under 6 × 6,
    // vanishes without a trace in the history. A text stays in its entry.
    void finishAnnotation(const QUuid &id);
    // The text editor's every edit.
    void setText(const QUuid &id, const QString &text);
    // Starts typing in an existing text.
    void editText(const QUuid &id);
    // Ends typing, if any: a text left blank (spaces and tabs) vanishes, any other is one undo step.
    void finishTextEditing();
    // Ends a crop drag: a crop under 16 × 16 pixels, or leaving under 8 × 8 inside the image, is
    // removed. The crop is kept as drawn, not clipped.
    void finishCrop();
    void deleteSelected();
    // Moves the selected mark; each nudge is its own undo step.
    void nudgeSelected(double dx, double dy);
    // One undo step when there were any.
    void clearAnnotations();
    // Appends marks as one undo step (the sensitive-data result).
    void addAnnotations(const QList<Annotation> &added);
    // The colour and thickness of new marks; a selected mark other than a blur takes them too.
    void setAnnotationColor(quint32 color);
    void setThickness(Annotation::Thickness thickness);
    // The stroke width of new marks of `thickness` on this capture.
    double strokeWidth(Annotation::Thickness thickness) const;

    // --- Interaction bracket: the canvas's move, resize and crop drags ------------------------------
    void beginInteraction();
    // A gesture that changed nothing leaves no step and keeps the redo history.
    void endInteraction();
    bool isInteracting() const { return m_interacting; }

    // --- History -------------------------------------------------------------------------------------
    void undo();
    void redo();
    bool canUndo() const { return !m_undoStack.isEmpty(); }
    bool canRedo() const { return !m_redoStack.isEmpty(); }

    // --- Style operations ------------------------------------------------------------------------------
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

    // --- Rendering ---------------------------------------------------------------------------------------
    // The last rendered result (null until the first lands) and its pixel size.
    const QImage &preview() const { return m_preview; }
    QSize outputSize() const { return m_outputSize; }
    // The export's byte count with the stored export settings (none until estimated, or when the
    // encoding failed) and its pixel size after scaling (empty until estimated).
    const std::optional<qint64> &estimatedBytes() const { return m_estimatedBytes; }
    QSize exportPixelSize() const { return m_exportPixelSize; }
    // Renders the current state in the background, one render at a time: while one runs, only the
    // newest state waits to follow it, and only the newest render publishes.
    void rerender();
    // Renders again when the brand's screenshot logo is not the one the last render used.
    void refresh();
    // While nobody sees the editor: lets go of what is rendered from its state (the preview, the
    // beautifier's canvas and spare results, the pixelated capture, an estimate under way; a render
    // under way publishes nothing) and packs an opaque capture away on a worker, so that only its
    // compressed bytes are held. Its marks, style and history stay; ensurePreview renders the preview
    // again, unpacking the capture on the render's thread.
    void releaseCaches();
    // Renders the preview when it was released and no render is under way; a packing under way is
    // dropped.
    void ensurePreview();
    // Another capture took its place (its page may stay on screen a few turns more): the render, the
    // estimate and the packing under way are dropped, so that they do not hold up the new capture's,
    // and none starts again.
    void stopBackgroundWork();
    // Estimates the export of the last result in the background after a quarter second, so that a
    // burst of changes encodes once; nothing before the first result.
    void updateEstimate();
    // The result at full size for an export, rendered now from the current state (a text being typed
    // is committed first) with the brand logo as it is now, prepared for `settings` (none: the stored
    // ones). Null when nothing can be rendered.
    QImage finalImage(const std::optional<ExportSettings> &settings = std::nullopt);

    // --- Output ---------------------------------------------------------------------------------------------
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

    // --- Command bar -------------------------------------------------------------------------------------------
    // Every row of the bar, built from the current state on each call: the tools, the backdrops, the
    // presets, the style, the export and the actions.
    QList<EditorCommand> commands();
    // The rows whose group and title hold the query (trimmed of spaces and tabs), compared without
    // case or accents; every row for an empty query.
    QList<EditorCommand> filteredCommands();
    // Closes the bar, then runs the selected row of the filtered list; nothing for a selection
    // outside it.
    void runSelectedCommand();
    // Moves the selection by `step` rows, wrapping around the filtered list.
    void moveCommandSelection(int step);

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
    struct Snapshot {
        BeautyStyle style;
        QList<Annotation> annotations;
        std::optional<QRectF> crop;
        bool operator==(const Snapshot &) const = default;
    };
    // What the interaction in progress is, for ending it properly when the tool changes.
    enum class Gesture { none, drawing, cropping, other };

    Snapshot snapshot() const { return {m_style, m_annotations, m_crop}; }
    void assignStyle(const BeautyStyle &style);
    void assignAnnotations(const QList<Annotation> &annotations);
    void assignCrop(const std::optional<QRectF> &crop);
    void assignEditingTextID(const std::optional<QUuid> &id);
    // The undo entry of a change of style, marks or crop made outside a gesture.
    void recordChange(const Snapshot &before);
    void pushUndo(const Snapshot &s);
    void trimUndo();
    void restore(const Snapshot &s);
    void discardInteraction();
    // Runs `change` now, after ending a text entry, or when the drag in progress ends.
    void applyOutsideGesture(std::function<void()> change);
    void runDeferred();
    // Emits historyChanged when canUndo or canRedo differ from `before`.
    void announceHistory(std::pair<bool, bool> before);
    qsizetype indexOf(const QUuid &id) const;
    // Drops the mark being drawn or typed: no selection, the interaction undone.
    void dropInteraction();

    // Style operations' helpers.
    void changeStyle(const std::function<void(BeautyStyle &)> &edit);
    // A toast over the last result, or the capture before there is one.
    void notify(const QString &title, const QString &subtitle);

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

    // Rendering's main-thread ends.
    void startRender();
    // A render has ended: its result is published unless a newer state superseded it, which renders next.
    void renderEnded(const CancelFlag &flag, const QImage &result);
    void publishRender(const QImage &result);
    // Packs the capture away in the background (releaseCaches).
    void pack();
    // The capture unpacked by a render or by original(), unless it is held again already.
    void adoptUnpacked(const QImage &image) const;
    void publishEstimate(std::optional<qint64> bytes, QSize pixels);

    mutable QImage m_original; // null while packed away
    QSize m_imageSize;
    qint64 m_originalKey = 0;
    mutable std::optional<QByteArray> m_packed; // the capture as compressed by m_renderers.pack
    std::shared_ptr<CancelFlag> m_packTask;
    bool m_released = false; // between releaseCaches and ensurePreview: results are not kept
    QString m_sourcePath;
    EditorRenderers m_renderers;
    // Held while the editor is on the screen: "Copiar texto" and the sensitive-data finder find the
    // text engine started.
    std::shared_ptr<void> m_readerReady;
    mutable std::optional<QImage> m_pixelated;

    BeautyStyle m_style;
    EditorTool m_tool = EditorTool::preview;
    QList<Annotation> m_annotations;
    std::optional<QRectF> m_crop;
    std::optional<QUuid> m_selectedID;
    std::optional<QUuid> m_editingTextID;
    quint32 m_annotationColor = 0xFF5A5F;
    Annotation::Thickness m_thickness = Annotation::Thickness::medium;
    bool m_detectingSensitive = false;
    bool m_readingText = false;
    bool m_showOriginal = false;
    bool m_commandBarOpen = false;
    QString m_commandQuery;
    int m_commandSelection = 0;
    bool m_shortcutsOpen = false;
    std::optional<BackdropDraft> m_backdropDraft;

    QList<Snapshot> m_undoStack;
    QList<Snapshot> m_redoStack;
    QList<Snapshot> m_redoBeforeInteraction;
    bool m_restoring = false;
    bool m_interacting = false;
    Gesture m_gesture = Gesture::none;
    std::optional<QUuid> m_drawingID;
    QList<std::function<void()>> m_deferred;

    QImage m_preview;
    QSize m_outputSize;
    QImage m_lastOutput;
    std::optional<qint64> m_estimatedBytes;
    QSize m_exportPixelSize;
    std::shared_ptr<CancelFlag> m_renderTask; // the newest state's render, running or waiting
    bool m_rendering = false;                 // a render is under way (one at a time)
    bool m_stopped = false;                   // replaced by another capture: no background work starts
    std::shared_ptr<CancelFlag> m_estimateTask;
    std::optional<BrandLogo> m_renderedLogo;

    std::optional<QUuid> m_ocrToken; // the text reading whose result is awaited
    QFuture<QString> m_reading;
};
