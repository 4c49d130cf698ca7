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
#include <memory>

namespace {
template <class T> T* Enfant(QDialog& d, const char* nom) { return d.findChild<T*>(QString::fromLatin1(nom)); }
QString Texte(QDialog& d, const char* nom) { return Enfant<QLineEdit>(d, nom)->text(); }
void Fixer(QDialog& d, const char* nom, const QString& texte) { Enfant<QLineEdit>(d, nom)->setText(texte); }

// Shows the dialog through the seam; the responder presses the button.
int Montrer(QDialog& d, const char* bouton)
{
    TRepondeurTest repondeur([bouton](const TDemandeDialogue& demande) {
        TReponseDialogue r;
        if (!demande.Dialogue)
            return r;
        demande.Dialogue->show();
        QTest::mouseClick(Enfant<QPushButton>(*demande.Dialogue, bouton), Qt::LeftButton);
        r.Resultat = demande.Dialogue->result() == QDialog::Accepted ? mrOk : mrCancel;
        demande.Dialogue->hide();
        return r;
    });
    return Dialogues::ExecuterModal(d);
}

using TFabrique = std::function<std::unique_ptr<QDialog>()>;
template <class T> TFabrique Fabrique() { return [] { return std::make_unique<T>(); }; }
} // namespace

// The values a dialog starts with, and the control that takes the focus.
TEST(DialoguesFiltres, ValeursDeDepart)
{
    const struct {
        TFabrique creer;
        const char* premier;
        std::vector<std::pair<const char*, QString>> edits;
    } cas[] = {
        {Fabrique<TMasqueFlou>(), "EdtSigma", {{"EdtSigma", "1,2"}, {"EdtCoefficient", "2,5"}}},
        {Fabrique<TGaussien>(), "EdtSigma", {{"EdtSigma", "0,7"}}},
        {Fabrique<TPasseHaut>(), "TrckBrForce", {}},
        {Fabrique<TDDPGaussien>(), "EdtNiveau", {{"EdtNiveau", ""}, {"EdtCoefficient", "5,0"}, {"EdtSigma", "0,7"}}},
    };
    for (const auto& c : cas) {
        auto d = c.creer();
        SCOPED_TRACE(d->windowTitle().toStdString());
        for (const auto& [nom, texte] : c.edits)
            EXPECT_EQ(Texte(*d, nom), texte) << nom;
        if (auto* force = Enfant<QSlider>(*d, "TrckBrForce")) {
            EXPECT_EQ(force->value(), 1);
        }
        d->show();
        EXPECT_EQ(d->focusWidget(), d->findChild<QWidget*>(QString::fromLatin1(c.premier)));
    }
}

// The repairs OK makes, and the up-down steps ('+', '-'): each rule once, and
// each dialog's edits once, as they are wired.
TEST(DialoguesFiltres, ReparationsAuOKEtHautBas)
{
    const struct {
        TFabrique creer;
        const char* edit;
        QString avant;
        char action; // 'o': OK
        QString apres;
        const char* hautBas = nullptr;
    } cas[] = {
        {Fabrique<TMasqueFlou>(), "EdtSigma", "0,1", 'o', "0,2"},
        {Fabrique<TMasqueFlou>(), "EdtCoefficient", "", 'o', "0,0"},
        {Fabrique<TMasqueFlou>(), "EdtCoefficient", "-1", 'o', "0,0"},
        {Fabrique<TGaussien>(), "EdtSigma", "", 'o', "0,2"},
        {Fabrique<TGaussien>(), "EdtSigma", "0,2", 'o', "0,2"},
        {Fabrique<TDDPNeutre>(), "EdtNiveau", "0", 'o', "1"},
        {Fabrique<TDDPNeutre>(), "EdtNiveau", "70000", 'o', "65535"},
        {Fabrique<TDDPNeutre>(), "EdtNiveau", "65535", 'o', "65535"},
        {Fabrique<TDDPNeutre>(), "EdtNiveau", "-5", 'o', "1"},
        {Fabrique<TDDPNeutre>(), "EdtNiveau", QString(500, '9'), 'o', "65535"},
        {Fabrique<TDDPPasseBas>(), "EdtNiveau", "", 'o', "1"},
        {Fabrique<TDDPPasseBas>(), "EdtCoefficient", "", 'o', "0"},
        {Fabrique<TDDPGaussien>(), "EdtNiveau", "99999", 'o', "65535"},
        {Fabrique<TDDPGaussien>(), "EdtSigma", "0,0", 'o', "0,2"},
        {Fabrique<TDDPGaussien>(), "EdtCoefficient", "", 'o', "0"},
        {Fabrique<TGaussien>(), "EdtSigma", "0,2", '-', "0,2", "UpDwnSigma"},
        {Fabrique<TGaussien>(), "EdtSigma", "0,2", '+', "0,3", "UpDwnSigma"},
        {Fabrique<TGaussien>(), "EdtSigma", "", '+', "0,3", "UpDwnSigma"},
        {Fabrique<TMasqueFlou>(), "EdtSigma", "0,1", '-', "0,2", "UpDwnSigma"},
        {Fabrique<TMasqueFlou>(), "EdtCoefficient", "", '-', "0,0", "UpDwnCoefficient"},
        {Fabrique<TMasqueFlou>(), "EdtCoefficient", "-2", '+', "0,1", "UpDwnCoefficient"},
        {Fabrique<TDDPNeutre>(), "EdtCoefficient", "", '+', "5,1", "UpDwnCoef"},
        {Fabrique<TDDPPasseBas>(), "EdtCoefficient", "", '-', "4,9", "UpDwnCoef"},
        {Fabrique<TDDPGaussien>(), "EdtCoefficient", "0,0", '-', "0,0", "UpDwnCoef"},
    };
    for (const auto& c : cas) {
        auto d = c.creer();
        SCOPED_TRACE(d->windowTitle().toStdString() + " " + c.edit + " '" + c.avant.toStdString() + "' " + c.action);
        Fixer(*d, c.edit, c.avant);
        if (c.action == 'o') {
            EXPECT_EQ(Montrer(*d, "BtnOK"), mrOk);
        } else {
            // Its own position never ends the stepping: only the direction counts.
            auto* hautBas = Enfant<QSpinBox>(*d, c.hautBas);
            c.action == '+' ? hautBas->stepUp() : hautBas->stepDown();
            EXPECT_EQ(hautBas->value(), 2500);
        }
        EXPECT_EQ(Texte(*d, c.edit), c.apres);
    }

    // The getters read what the repairs left; the force shows beside its slider.
    TDDPGaussien dg;
    Fixer(dg, "EdtSigma", "0,1");
    Montrer(dg, "BtnOK");
    EXPECT_DOUBLE_EQ(dg.LireSigma(), 0.2);
    EXPECT_DOUBLE_EQ(dg.LireCoefficient(), 5.0);
    TDDPPasseBas dpb;
    Enfant<QSlider>(dpb, "TrckBrForce")->setValue(4);
    EXPECT_EQ(Enfant<QLabel>(dpb, "LblValeurForce")->text(), QStringLiteral("4"));
    EXPECT_EQ(dpb.LireForce(), 4);
}

TEST(DialoguesFiltres, UnTexteQuiNeSeConvertitPasLaisseLeDialogueOuvert)
{
    TGaussien g;
    Fixer(g, "EdtSigma", QStringLiteral(","));
    TRepondeurTest repondeur(RepondreToujours());
    g.show();
    QTest::mouseClick(Enfant<QPushButton>(g, "BtnOK"), Qt::LeftButton);
    ASSERT_FALSE(Dialogues::Journal().empty()) << JournalDialogues();
    EXPECT_EQ(Dialogues::Journal().back().Genre, TGenreDemande::Erreur) << JournalDialogues();
    EXPECT_TRUE(g.isVisible());
    EXPECT_THROW(g.LireSigma(), EStelor);
    // Nor does a negative DDP coefficient pass.
    TDDPNeutre n;
    Fixer(n, "EdtCoefficient", QStringLiteral("-5,0"));
    EXPECT_EQ(Montrer(n, "BtnOK"), mrCancel);
    QStringList erreurs;
    for (const TDemandeDialogue& d : Dialogues::Journal())
        if (d.Genre == TGenreDemande::Erreur)
            erreurs << d.Texte;
    EXPECT_EQ(erreurs, QStringList{"Le coefficient '-5,0' est négatif : il doit être positif ou nul."});
}

TEST(DialoguesFiltres, SaisieEtAnnulation)
{
    TMasqueFlou mf;
    QLineEdit* sigma = Enfant<QLineEdit>(mf, "EdtSigma");
    sigma->setText(QStringLiteral("1"));
    sigma->setCursorPosition(1);
    QTest::keyClicks(sigma, QStringLiteral(".5,7x"));
    EXPECT_EQ(sigma->text(), QStringLiteral("1,5"));
    // Cancel repairs nothing and the texts stay for the next showing.
    Fixer(mf, "EdtCoefficient", QString());
    EXPECT_EQ(Montrer(mf, "BtnAnnuler"), mrCancel);
    EXPECT_EQ(sigma->text(), QStringLiteral("1,5"));
    EXPECT_TRUE(Texte(mf, "EdtCoefficient").isEmpty());

    TDDPNeutre n;
    QTest::keyClicks(Enfant<QLineEdit>(n, "EdtNiveau"), QStringLiteral("1-2,3.4"));
    EXPECT_EQ(Texte(n, "EdtNiveau"), QStringLiteral("1234"));
}
