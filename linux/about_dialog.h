// The about box: the icon, the version line and the legal line, closed by OK.
#ifndef ORVANE_LINUX_ABOUT_DIALOG_H
#define ORVANE_LINUX_ABOUT_DIALOG_H

#include <QDialog>

class QLabel;

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent);

protected:
    // Opens centred over the main window.
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_version;
};

#endif
