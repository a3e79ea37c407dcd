#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QUuid>

class EditorModel;

class QWidget;

// The backdrop editor as a window-modal sheet over the editor's window, bound to the model's draft
// and keyed on its identity: a draft opens it, another draft replaces it, no draft closes it. Its
// content (BackdropSheet::makeContent) saves with commitBackdrop, deletes with deleteBackdrop (only a
// draft that is not new) and cancels by clearing the draft; however the sheet closes otherwise (the
// window manager, Escape), the draft is cleared, so the editor never keeps a draft without a sheet. The
// sheet is the dialog "backdropSheet" of the host's window.
class BackdropDraftSheet : public QObject {
    Q_OBJECT
public:
    BackdropDraftSheet(EditorModel *model, QWidget *host);
    ~BackdropDraftSheet() override;

private:
    void follow();
    void open();
    void close();

    QPointer<EditorModel> m_model;
    QWidget *m_host;
    QPointer<QDialog> m_dialog;
    QUuid m_shownID;
};
