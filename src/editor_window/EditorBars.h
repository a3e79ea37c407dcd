#pragma once

#include <QPointer>
#include <QWidget>

class EditorModel;
class QAbstractButton;
class QLabel;
class QPushButton;
class Spinner;
class StyleStore;

// The editor page's top bar (52 high): "Editor", the edit summary, the size summary of the export and
// the "Comandos" button that opens the command bar. It follows the model and the stored export format.
class EditorTopBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int barHeight = 52;

    EditorTopBar(EditorModel *model, StyleStore &styles, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();

    QPointer<EditorModel> m_model;
    StyleStore &m_styles;
    QLabel *m_edit;
    QLabel *m_size;
    QAbstractButton *m_commands;
};

// The editor page's bottom bar (64 high): the key hints of the current state, then "Copiar texto"
// (which turns into "Lendo… clique para parar" while the text is read), "Salvar" and "Copiar". The
// hints' texts are the labels "hintText" in "hints"; the text-copy button's label is "copyTextTitle".
class EditorBottomBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int barHeight = 64;

    explicit EditorBottomBar(EditorModel *model, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refreshHints();
    void refreshReading();

    QPointer<EditorModel> m_model;
    QWidget *m_hints;
    QPushButton *m_copyText;
    QLabel *m_copyTextIcon;
    Spinner *m_copyTextSpinner;
    QLabel *m_copyTextLabel;
    QPushButton *m_save;
    QPushButton *m_copy;
};
