// The batch player window: lists the batch file's lines, marks the one being
// run with "Current ==> " and offers Cancel.
#ifndef ZORB_FRONTEND_UI_BATCHWINDOW_H
#define ZORB_FRONTEND_UI_BATCHWINDOW_H

#include <QDialog>

class QListWidget;

namespace zfront {

class BatchRunner;

class BatchWindow : public QDialog {
    Q_OBJECT
public:
    BatchWindow(BatchRunner &runner, QWidget *parent = nullptr);
    QListWidget *list() const { return list_; }

protected:
    void reject() override;

private:
    void showLine(int index);
    void showFile();

    BatchRunner &runner_;
    QListWidget *list_;
    int marked_ = -1;
};

} // namespace zfront

#endif
