#include "gui/common/AboutDialog.h"

#include <algorithm>

#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "core/master/MasterProvenance.h"
#include "gui/common/Artwork.h"
#include "gui/common/ProvenanceLabel.h"

namespace tavo {

namespace {

// Room left for the window's title bar, which the dialog's own height does not include.
constexpr int kTitleBarAllowance = 40;
// A picture lower than this says nothing; it is left out instead.
constexpr int kSmallestPicture = 80;

const char* const aboutText =
    "TAVO - Tavorechner\n"
    "Kosten und Erträge einer Siedlungserweiterung für die Gemeinde\n"
    "\n"
    "Der Tavorechner schätzt für ein neues Baugebiet über 20 Projektjahre ab, was die Gemeinde der "
    "Bau und die Erhaltung von Straßen, Beleuchtung, Grünflächen, Kanal, Wasser, weiteren Leitungen "
    "und sozialer Infrastruktur kosten und was ihr Aufschließungsbeitrag, Anschlussgebühren, "
    "Grundsteuer und Finanzausgleich einbringen.\n"
    "\n"
    "Dank an alle Planerinnen und Planer der Gemeinden, die mit ihren Erfahrungen und Zahlen zu "
    "diesem Werkzeug beigetragen haben.\n"
    "\n"
    "Nutzung: Das Programm darf frei und kostenlos verwendet, kopiert und weitergegeben werden. Die "
    "Ergebnisse sind eine grobe Orientierung für die Abwägung einer Siedlungserweiterung und ersetzen "
    "keine genaue Kostenrechnung; eine Gewähr für ihre Richtigkeit wird nicht übernommen.";

} // namespace

QString AboutDialog::versionText() {
    return QStringLiteral("Version: ") + QStringLiteral(TAVO_VERSION);
}

AboutDialog::AboutDialog(QWidget* parent, const QString& masterPath, const QString& userPath,
                         const MasterProvenance* provenance)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("TAVO - Tavorechner"));
    setModal(true);
    // Tahoma 8 point, or the usual font where Tahoma is not installed.
    QFont tahoma = font();
    tahoma.setFamilies({QStringLiteral("Tahoma"), tahoma.family()});
    tahoma.setPointSize(8);
    setFont(tahoma);

    auto* picture = m_picture = new QLabel;
    picture->setObjectName(QStringLiteral("imgAbout"));
    picture->setPixmap(Artwork::aboutPicture());
    picture->setFixedSize(512, 280);

    // The text box blends into the window: read-only, without frame, in the window's colour.
    auto* meAbout = new QPlainTextEdit(QString::fromUtf8(aboutText));
    meAbout->setObjectName(QStringLiteral("meAbout"));
    meAbout->setReadOnly(true);
    meAbout->setFrameShape(QFrame::NoFrame);
    meAbout->setFixedSize(512, 170);
    QPalette palette = meAbout->palette();
    palette.setColor(QPalette::Base, this->palette().color(QPalette::Window));
    meAbout->setPalette(palette);

    // Which files the program works with: after an installation they are not beside the program.
    if (!masterPath.isEmpty() || !userPath.isEmpty()) {
        lbDateien =
            new QLabel(QStringLiteral("Stammdatenbank: %1\nBenutzerdatenbank: %2")
                           .arg(QDir::toNativeSeparators(masterPath), QDir::toNativeSeparators(userPath)));
        lbDateien->setObjectName(QStringLiteral("lbDateien"));
        lbDateien->setWordWrap(true);
        lbDateien->setFixedWidth(512);
        lbDateien->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }

    if (provenance) {
        lbHerkunft = makeProvenanceLabel(*provenance);
        lbHerkunft->setFixedWidth(512);
    }

    lbVersion = new QLabel(versionText());
    lbVersion->setObjectName(QStringLiteral("lbVersion"));
    auto* closeButton = new QPushButton(QStringLiteral("&Schließen"));
    closeButton->setObjectName(QStringLiteral("btSchliessen"));
    closeButton->setDefault(true);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lbVersion);
    bottom->addStretch();
    bottom->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    layout->addWidget(meAbout);
    if (lbDateien)
        layout->addWidget(lbDateien);
    if (lbHerkunft)
        layout->addWidget(lbHerkunft);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        fitToHeight(screen->availableGeometry().height() - kTitleBarAllowance);
}

void AboutDialog::fitToHeight(int height) {
    const QSize full(512, 280);
    const int rest = sizeHint().height() - m_picture->height();
    const int pictureHeight = std::min(full.height(), height - rest);
    if (pictureHeight >= full.height())
        return;
    if (pictureHeight < kSmallestPicture) {
        m_picture->hide();
    } else {
        const QSize size = full.scaled(full.width(), pictureHeight, Qt::KeepAspectRatio);
        // The picture is drawn for the screen's pixel ratio, which the scaled one keeps.
        const QPixmap picture = Artwork::aboutPicture();
        m_picture->setPixmap(
            picture.scaled(size * picture.devicePixelRatio(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_picture->setFixedSize(size);
    }
    layout()->activate();
    adjustSize();
}

} // namespace tavo
