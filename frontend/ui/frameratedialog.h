// "Change a Zorblax file frame rate": asks for the Zorblax file, the new
// file's name and the new frame rate, and gives the command line that makes
// it.
#ifndef ZORB_FRONTEND_UI_FRAMERATEDIALOG_H
#define ZORB_FRONTEND_UI_FRAMERATEDIALOG_H

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace zfront {

class FrameRateDialog : public QDialog {
    Q_OBJECT
public:
    FrameRateDialog(const QString &directory, QWidget *parent = nullptr);

    QLineEdit *input() const { return input_; }
    QLineEdit *output() const { return output_; }
    QLineEdit *rate() const { return rate_; }
    // Empty until a file and a rate are given.
    QString command() const;
    // Where the command runs: the input's directory.
    QString directory() const;

private:
    void inputChanged();

    QString directory_;
    QLineEdit *input_, *output_, *rate_;
    QCheckBox *overwrite_;
    QString outputBasedOn_;
};

} // namespace zfront

#endif
