// The "Command" tab: the history (with Copy, Clear History and Save As) and
// the command line with the recent-commands recall list.
#ifndef ZORB_FRONTEND_UI_COMMANDTAB_H
#define ZORB_FRONTEND_UI_COMMANDTAB_H

#include <QWidget>

class QComboBox;
class QLabel;
class QPlainTextEdit;

namespace zfront {

class CommandTab : public QWidget {
    Q_OBJECT
public:
    explicit CommandTab(QWidget *parent = nullptr);

    void appendLines(const QStringList &lines);
    void clearHistory();
    QString historyText() const;
    void setRecall(const QStringList &commands);
    void setDirectory(const QString &dir);
    QPlainTextEdit *history() const { return history_; }
    QComboBox *commandLine() const { return line_; }

signals:
    void commandEntered(const QString &command);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void historyMenu(const QPoint &pos);
    void enter();
    void completeFromRecall();

    QPlainTextEdit *history_;
    QComboBox *line_;
    QLabel *dir_;
    QString fullDir_;
    QString typed_, completed_; // Tab completion: the text typed, the last completion
    int completedIndex_ = -1;
};

} // namespace zfront

#endif
