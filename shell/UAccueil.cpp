#include "UAccueil.h"

#include "UOutilsFenetres.h"
#include "ui_UAccueil.h"

#include <QPainter>
#include <QTimer>

TAccueil* Accueil = nullptr;

const char* const TexteDroitsStelor = "Stelor - traitement d'images astronomiques. Tous droits réservés.";

QPixmap LogoStelor(int largeur, int hauteur)
{
    QPixmap p(largeur, hauteur);
    p.fill(QColor(18, 22, 48));
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(Qt::NoPen);
    // A fixed scatter of faint stars, in proportion to the picture.
    const double etoiles[][2] = {{0.10, 0.14}, {0.25, 0.70}, {0.42, 0.20}, {0.65, 0.11},
                                 {0.88, 0.27}, {0.80, 0.75}, {0.15, 0.86}, {0.55, 0.88}};
    g.setBrush(QColor(220, 225, 255));
    for (const auto& e : etoiles)
        g.drawEllipse(QPointF(e[0] * largeur, e[1] * hauteur), 1.0, 1.0);
    // One bright star with its spikes.
    const QPointF centre(0.83 * largeur, 0.5 * hauteur);
    const double r = hauteur / 14.0 + 1.0;
    g.setBrush(QColor(255, 236, 160));
    g.drawEllipse(centre, r, r);
    g.setPen(QPen(QColor(255, 236, 160), 1));
    g.drawLine(centre - QPointF(3 * r, 0), centre + QPointF(3 * r, 0));
    g.drawLine(centre - QPointF(0, 3 * r), centre + QPointF(0, 3 * r));
    QFont f = g.font();
    f.setBold(true);
    f.setPixelSize(std::max(10, hauteur * 2 / 5));
    g.setFont(f);
    g.setPen(Qt::white);
    g.drawText(QRect(0, 0, largeur * 3 / 4, hauteur), Qt::AlignCenter, QStringLiteral("Stelor"));
    return p;
}

QIcon IconeStelor()
{
    // The logo's bright star on its night sky: the name would not read at 16 pixels.
    QIcon icone;
    for (const int cote : {16, 32, 48, 64}) {
        QPixmap p(cote, cote);
        p.fill(QColor(18, 22, 48));
        QPainter g(&p);
        g.setRenderHint(QPainter::Antialiasing);
        const QPointF centre(cote / 2.0, cote / 2.0);
        const double r = cote / 10.0;
        g.setPen(QPen(QColor(255, 236, 160), std::max(1.0, cote / 32.0)));
        g.drawLine(centre - QPointF(4 * r, 0), centre + QPointF(4 * r, 0));
        g.drawLine(centre - QPointF(0, 4 * r), centre + QPointF(0, 4 * r));
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(255, 236, 160));
        g.drawEllipse(centre, r, r);
        g.setBrush(QColor(220, 225, 255));
        g.drawEllipse(QPointF(0.2 * cote, 0.22 * cote), r / 2, r / 2);
        g.drawEllipse(QPointF(0.78 * cote, 0.8 * cote), r / 2, r / 2);
        g.end();
        icone.addPixmap(p);
    }
    return icone;
}

void PreparerBoiteStelor(QDialog& boite, QLabel* logo, QLabel* version, QLabel* droits,
                         QTextBrowser* presentation, QTextBrowser* licence, QPushButton* ok)
{
    boite.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    boite.setFixedSize(430, 315);
    logo->setPixmap(LogoStelor(logo->width(), logo->height()));
    version->setText(QStringLiteral("Version 2.0 Avril 2008"));
    droits->setText(QString::fromUtf8(TexteDroitsStelor));
    presentation->setPlainText(QStringLiteral(
        "Stelor ouvre, visualise et traite les images astronomiques au format Fit et les images bitmap : "
        "seuils de visualisation, filtres, arithmétique, prétraitement et compositage de séries."));
    licence->setPlainText(QStringLiteral(
        "Ce logiciel est fourni tel quel, sans garantie d'aucune sorte. Son auteur ne saurait être tenu "
        "pour responsable des dommages résultant de son utilisation."));
    QObject::connect(ok, &QPushButton::clicked, &boite, &QDialog::accept);
    FermerAuClic(boite, {logo, version, droits, logo->parentWidget()});
}

TAccueil::TAccueil(QWidget* parent) : QDialog(parent), FUi(std::make_unique<Ui::TAccueil>())
{
    FUi->setupUi(this);
    setObjectName(QStringLiteral("Accueil"));
    PreparerBoiteStelor(*this, FUi->ImgLogo, FUi->LblVersion, FUi->LblDroits, FUi->RchEdtPresentation,
                        FUi->RchEdtLicence, FUi->BtnOK);
    // The period runs from the creation at start-up.
    TmrAccueil = new QTimer(this);
    TmrAccueil->setInterval(5000);
    TmrAccueil->setSingleShot(false);
    connect(TmrAccueil, &QTimer::timeout, this, [this] {
        TmrAccueil->stop();
        if (isVisible())
            accept();
    });
    TmrAccueil->start();
}

TAccueil::~TAccueil()
{
    if (Accueil == this)
        Accueil = nullptr;
}

QLabel* TAccueil::LblVersion() const { return FUi->LblVersion; }

void TAccueil::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Enabling again starts a new period only when the timer was stopped.
    if (!TmrAccueil->isActive())
        TmrAccueil->start();
}

void TAccueil::done(int resultat)
{
    TmrAccueil->stop();
    QDialog::done(resultat);
}
