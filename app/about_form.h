#pragma once
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace app {

// The modal About box: icon, name and version, a link to the product page
// and what the program is built with.
class TFAbout : public QDialog {
    Q_OBJECT

public:
    explicit TFAbout(QWidget* parent = nullptr);

    // Opens the product web page; the address is the program's, not the link text.
    void LinkLabel1LinkClick();

    // The program icon, drawn with its transparency.
    QLabel* Image1 = nullptr;
    QLabel* lbAbout = nullptr;
    QLabel* LinkLabel1 = nullptr;
    QFrame* bvTransfer = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* btClose = nullptr;

protected:
    // Every show centres the box on the screen of the main window, not over it.
    void showEvent(QShowEvent* event) override;
};

// The process-wide About box; null while there is none.
extern TFAbout* FAbout;

// Made at start with the other forms and never shown.
class TFCreateMatrix : public QWidget {
    Q_OBJECT

public:
    explicit TFCreateMatrix(QWidget* parent = nullptr);
};

extern TFCreateMatrix* FCreateMatrix;

}  // namespace app
