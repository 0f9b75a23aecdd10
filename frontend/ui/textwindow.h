// Plain text windows of the front end: the file viewer ("type", help) and
// the text and list-file editors ("edit", "dazuzoza").
#ifndef ZORB_FRONTEND_UI_TEXTWINDOW_H
#define ZORB_FRONTEND_UI_TEXTWINDOW_H

#include <QMainWindow>

class QPlainTextEdit;

namespace zfront {

class TextWindow : public QMainWindow {
    Q_OBJECT
public:
    enum class Kind { Viewer, Editor, ListEditor };
    TextWindow(Kind kind, QWidget *parent = nullptr);

    // Loads a file; false when it cannot be read (a missing file opens an
    // empty editor under that name).
    bool load(const QString &path);
    void setText(const QString &text);
    QString text() const;
    // Saves to the current name (asks for one when there is none).
    bool save();
    QString fileName() const { return path_; }

signals:
    void saved(const QString &path);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void updateCaption();

    Kind kind_;
    QString path_;
    QPlainTextEdit *edit_;
};

} // namespace zfront

#endif
