#include "app/about_form.h"

#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>

#include "app/form_fonts.h"
#include "app/program_icon.h"
#include "app/web_addresses.h"
#include "app/window_placement.h"

namespace app {

TFAbout* FAbout = nullptr;
TFCreateMatrix* FCreateMatrix = nullptr;

namespace {

QLabel* MakeCredit(QWidget* parent, const QString& text, QRect geometry, bool wrapped) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setWordWrap(wrapped);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont font = label->font();
    font.setItalic(true);
    label->setFont(font);
    return label;
}

}  // namespace

TFAbout::TFAbout(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About");
    setFixedSize(444, 229);
    setModal(true);
    setFont(FormFont("Tahoma", 11));

    Image1 = new QLabel(this);
    Image1->setGeometry(8, 8, 48, 48);
    Image1->setPixmap(QPixmap::fromImage(ProgramIcon()));

    lbAbout = new QLabel(this);
    lbAbout->move(65, 37);
    QFont bold = lbAbout->font();
    bold.setBold(true);
    lbAbout->setFont(bold);

    LinkLabel1 = new QLabel(this);
    LinkLabel1->setGeometry(65, 56, 316, 19);
    LinkLabel1->setText(QString("<a href=\"%1\">%1</a>").arg(ProductPageUrl().toHtmlEscaped()));
    LinkLabel1->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(LinkLabel1, &QLabel::linkActivated, this, [this] { LinkLabel1LinkClick(); });

    bvTransfer = new QFrame(this);
    bvTransfer->setGeometry(5, 87, 429, 5);
    bvTransfer->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    Label1 = MakeCredit(this, "Built with Qt and the libjpeg-turbo JPEG codec", {65, 102, 337, 13}, false);
    Label2 = MakeCredit(this,
                        "Fourier transforms by FFTW 3 (M. Frigo, S. G. Johnson), digests by Nettle; "
                        "details on the product web site",
                        {65, 121, 319, 26}, true);
    Label3 = MakeCredit(this, "Its DNG reading and writing and its JPEG section and EXIF code are Clarivane's own",
                        {65, 153, 337, 34}, true);

    btClose = new QPushButton("Close", this);
    btClose->setGeometry(359, 196, 75, 25);
    connect(btClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TFAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const QWidget* holder = parentWidget() ? parentWidget()->window() : this;
    CentreOnScreen(this, holder->screen());
}

void TFAbout::LinkLabel1LinkClick() { QDesktopServices::openUrl(QUrl(ProductPageUrl())); }

TFCreateMatrix::TFCreateMatrix(QWidget* parent) : QWidget(parent) {}

}  // namespace app
