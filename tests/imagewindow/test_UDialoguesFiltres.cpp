#include "PDialogues.h"
#include "PErreurs.h"
#include "Soutien.h"
#include "UDDPGaussien.h"
#include "UDDPNeutre.h"
#include "UDDPPasseBas.h"
#include "UGaussien.h"
#include "UMasqueFlou.h"
#include "UPasseBas.h"
#include "UPasseHaut.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {
QLineEdit* Edit(QDialog& d, const char* nom) { return d.findChild<QLineEdit*>(QString::fromLatin1(nom)); }
QString Texte(QDialog& d, const char* nom) { return Edit(d, nom)->text(); }
void Fixer(QDialog& d, const char* nom, const QString& texte) { Edit(d, nom)->setText(texte); }
void Cliquer(QDialog& d, const char* nom) { QTest::mouseClick(d.findChild<QPushButton*>(QString::fromLatin1(nom)), Qt::LeftButton); }
void Haut(QDialog& d, const char* nom) { d.findChild<QSpinBox*>(QString::fromLatin1(nom))->stepUp(); }
void Bas(QDialog& d, const char* nom) { d.findChild<QSpinBox*>(QString::fromLatin1(nom))->stepDown(); }

// Shows the dialog through the seam; the responder presses the button.
int Montrer(QDialog& d, const char* bouton)
{
    TRepondeurTest repondeur([bouton](const TDemandeDialogue& demande) {
        TReponseDialogue r;
        if (demande.Genre == TGenreDemande::Modal) {
            demande.Dialogue->show();
            Cliquer(*demande.Dialogue, bouton);
            r.Resultat = demande.Dialogue->result() == QDialog::Accepted ? mrOk : mrCancel;
        } else {
            r.Resultat = mrOk;
        }
        return r;
    });
    return Dialogues::ExecuterModal(d);
}
} // namespace

TEST(DialoguesFiltres, ValeursInitiales)
{
    TMasqueFlou mf;
    EXPECT_EQ(Texte(mf, "EdtSigma"), QStringLiteral("1,2"));
    EXPECT_EQ(Texte(mf, "EdtCoefficient"), QStringLiteral("2,5"));
    EXPECT_DOUBLE_EQ(mf.LireSigma(), 1.2);
    EXPECT_DOUBLE_EQ(mf.LireCoefficient(), 2.5);
    EXPECT_FALSE(mf.LirePreservatif());
    TGaussien g;
    EXPECT_EQ(Texte(g, "EdtSigma"), QStringLiteral("0,7"));
    TDDPNeutre n;
    EXPECT_EQ(Texte(n, "EdtCoefficient"), QStringLiteral("5,0"));
    EXPECT_TRUE(Texte(n, "EdtNiveau").isEmpty());
    TDDPGaussien dg;
    EXPECT_EQ(Texte(dg, "EdtSigma"), QStringLiteral("0,7"));
    EXPECT_EQ(Texte(dg, "EdtCoefficient"), QStringLiteral("5,0"));
    TPasseBas pb;
    EXPECT_EQ(pb.LireForce(), 1);
    EXPECT_EQ(pb.findChild<QLabel*>(QStringLiteral("LblValeurForce"))->text(), QStringLiteral("1"));
    EXPECT_EQ(pb.windowTitle(), QStringLiteral("Passe bas"));
    EXPECT_EQ(dg.windowTitle(), QStringLiteral("DDP Gaussien"));
}

TEST(DialoguesFiltres, ReparationsAuOK)
{
    TMasqueFlou mf;
    Fixer(mf, "EdtSigma", QStringLiteral("0,1"));
    Fixer(mf, "EdtCoefficient", QString());
    EXPECT_EQ(Montrer(mf, "BtnOK"), mrOk);
    EXPECT_EQ(Texte(mf, "EdtSigma"), QStringLiteral("0,2"));
    EXPECT_EQ(Texte(mf, "EdtCoefficient"), QStringLiteral("0,0"));
    EXPECT_DOUBLE_EQ(mf.LireSigma(), 0.2);

    TGaussien g;
    Fixer(g, "EdtSigma", QString());
    EXPECT_EQ(Montrer(g, "BtnOK"), mrOk);
    EXPECT_EQ(Texte(g, "EdtSigma"), QStringLiteral("0,2"));

    // Level: empty and 0 give 1; above 65535 gives 65535; 65535 stays.
    TDDPNeutre n;
    const std::pair<QString, QString> niveaux[] = {{QString(), QStringLiteral("1")},
                                                   {QStringLiteral("0"), QStringLiteral("1")},
                                                   {QStringLiteral("000"), QStringLiteral("1")},
                                                   {QStringLiteral("70000"), QStringLiteral("65535")},
                                                   {QStringLiteral("65535"), QStringLiteral("65535")},
                                                   {QStringLiteral("65536"), QStringLiteral("65535")},
                                                   {QStringLiteral("26"), QStringLiteral("26")}};
    for (const auto& [avant, apres] : niveaux) {
        Fixer(n, "EdtNiveau", avant);
        EXPECT_EQ(Montrer(n, "BtnOK"), mrOk);
        EXPECT_EQ(Texte(n, "EdtNiveau"), apres) << avant.toStdString();
    }
    Fixer(n, "EdtCoefficient", QString());
    Montrer(n, "BtnOK");
    EXPECT_EQ(Texte(n, "EdtCoefficient"), QStringLiteral("0"));

    TDDPGaussien dg;
    Fixer(dg, "EdtNiveau", QStringLiteral("99999"));
    Fixer(dg, "EdtSigma", QStringLiteral("0,0"));
    Fixer(dg, "EdtCoefficient", QString());
    Montrer(dg, "BtnOK");
    EXPECT_EQ(dg.LireNiveau(), 65535);
    EXPECT_EQ(Texte(dg, "EdtSigma"), QStringLiteral("0,2"));
    EXPECT_EQ(Texte(dg, "EdtCoefficient"), QStringLiteral("0"));

    TDDPPasseBas dpb;
    dpb.FixerNiveau(1234);
    dpb.findChild<QSlider*>(QStringLiteral("TrckBrForce"))->setValue(4);
    Montrer(dpb, "BtnOK");
    EXPECT_EQ(dpb.LireNiveau(), 1234);
    EXPECT_EQ(dpb.LireForce(), 4);
    EXPECT_DOUBLE_EQ(dpb.LireCoefficient(), 5.0);
}

TEST(DialoguesFiltres, UnTexteQuiNeSeConvertitPasLaisseLeDialogueOuvert)
{
    TGaussien g;
    Fixer(g, "EdtSigma", QStringLiteral(","));
    TRepondeurTest repondeur(RepondreToujours());
    g.show();
    Cliquer(g, "BtnOK");
    // The application's error box reports it; the dialog is not accepted.
    ASSERT_FALSE(Dialogues::Journal().empty());
    EXPECT_EQ(Dialogues::Journal().back().Genre, TGenreDemande::Erreur);
    EXPECT_TRUE(g.isVisible());
    EXPECT_THROW(g.LireSigma(), EStelor);
    g.hide();
}

TEST(DialoguesFiltres, HautBas)
{
    TGaussien g;
    Fixer(g, "EdtSigma", QStringLiteral("0,2"));
    Bas(g, "UpDwnSigma");
    EXPECT_EQ(Texte(g, "EdtSigma"), QStringLiteral("0,2"));
    Haut(g, "UpDwnSigma");
    EXPECT_EQ(Texte(g, "EdtSigma"), QStringLiteral("0,3"));
    Bas(g, "UpDwnSigma");
    EXPECT_EQ(Texte(g, "EdtSigma"), QStringLiteral("0,2"));
    Fixer(g, "EdtSigma", QString());
    Haut(g, "UpDwnSigma");
    EXPECT_EQ(Texte(g, "EdtSigma"), QStringLiteral("0,3"));
    // The up-down's own position never ends the stepping.
    for (int i = 0; i < 3000; ++i)
        Haut(g, "UpDwnSigma");
    EXPECT_EQ(Texte(g, "EdtSigma"), QStringLiteral("300,3"));
    EXPECT_EQ(g.findChild<QSpinBox*>(QStringLiteral("UpDwnSigma"))->value(), 2500);

    TMasqueFlou mf;
    Fixer(mf, "EdtCoefficient", QString());
    Bas(mf, "UpDwnCoefficient");
    EXPECT_EQ(Texte(mf, "EdtCoefficient"), QStringLiteral("0,0"));
    Haut(mf, "UpDwnCoefficient");
    EXPECT_EQ(Texte(mf, "EdtCoefficient"), QStringLiteral("0,1"));
    Fixer(mf, "EdtSigma", QStringLiteral("0,1"));
    Bas(mf, "UpDwnSigma");
    EXPECT_EQ(Texte(mf, "EdtSigma"), QStringLiteral("0,2"));

    TDDPNeutre n;
    Fixer(n, "EdtCoefficient", QString());
    Haut(n, "UpDwnCoef");
    EXPECT_EQ(Texte(n, "EdtCoefficient"), QStringLiteral("5,1"));
    Fixer(n, "EdtCoefficient", QStringLiteral("0,0"));
    Bas(n, "UpDwnCoef");
    EXPECT_EQ(Texte(n, "EdtCoefficient"), QStringLiteral("0,0"));
}

TEST(DialoguesFiltres, ForceSaisieEtAnnulation)
{
    TPasseHaut ph;
    ph.findChild<QSlider*>(QStringLiteral("TrckBrForce"))->setValue(4);
    EXPECT_EQ(ph.findChild<QLabel*>(QStringLiteral("LblValeurForce"))->text(), QStringLiteral("4"));
    EXPECT_EQ(ph.LireForce(), 4);
    ph.findChild<QSlider*>(QStringLiteral("TrckBrForce"))->setValue(9);
    EXPECT_EQ(ph.LireForce(), 5);

    TMasqueFlou mf;
    QLineEdit* sigma = Edit(mf, "EdtSigma");
    sigma->setText(QStringLiteral("1"));
    sigma->setCursorPosition(1);
    QTest::keyClicks(sigma, QStringLiteral(".5,7x"));
    EXPECT_EQ(sigma->text(), QStringLiteral("1,5"));
    // Cancel changes nothing and the texts stay for the next showing.
    Fixer(mf, "EdtCoefficient", QString());
    EXPECT_EQ(Montrer(mf, "BtnAnnuler"), mrCancel);
    EXPECT_EQ(Texte(mf, "EdtSigma"), QStringLiteral("1,5"));
    EXPECT_TRUE(Texte(mf, "EdtCoefficient").isEmpty());

    TDDPNeutre n;
    QLineEdit* niveau = Edit(n, "EdtNiveau");
    QTest::keyClicks(niveau, QStringLiteral("1-2,3.4"));
    EXPECT_EQ(niveau->text(), QStringLiteral("1234"));
}
