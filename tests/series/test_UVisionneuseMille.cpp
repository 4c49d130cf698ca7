// A thousand files (".fit" links to a real image): listed, sorted and browsed
// to the end in each of the three modes, and played ticked-only.
#include "PDialogues.h"
#include "Soutien.h"
#include "UAnimation.h"
#include "UVisionneuse.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {
const int N = 1000;

// Presses the key until the selection stops moving; returns the lines visited.
std::vector<int> Parcourir(TVisionneuse& v, Qt::Key touche)
{
    std::vector<int> vues;
    for (int k = 0; k < 2 * N; ++k) {
        const int avant = v.LigneSelectionnee();
        QTest::keyClick(v.ChckLstBxImages, touche);
        if (v.LigneSelectionnee() == avant)
            break;
        vues.push_back(v.LigneSelectionnee());
    }
    return vues;
}
} // namespace

TEST(VisionneuseMilleFichiers, ListeTriParcours)
{
    QTemporaryDir dossier;
    const QString cible = dossier.filePath(QStringLiteral("m51.fit"));
    ASSERT_TRUE(QFile::copy(CheminDonnees(QStringLiteral("m51_i16_256.fits")), cible));
    QStringList noms;
    for (int i = 0; i < N; ++i)
        noms << dossier.filePath(QStringLiteral("serie_%1.fit").arg(i));
    for (const QString& n : noms)
        ASSERT_TRUE(QFile::link(cible, n));
    QStringList melanges = noms;
    std::shuffle(melanges.begin(), melanges.end(), QRandomGenerator(1000));

    if (!Animation)
        Animation = new TAnimation;
    TVisionneuse v;
    v.show();
    TRepondeurTest r([&](const TDemandeDialogue& d) {
        TReponseDialogue rep;
        rep.Resultat = mrOk;
        if (d.Genre == TGenreDemande::OuvrirFichiers)
            rep.Fichiers = melanges;
        if (d.Genre == TGenreDemande::Modal && d.Dialogue) {
            d.Dialogue->findChild<QLineEdit*>(QStringLiteral("EdtFrequence"))->setText(QStringLiteral("1"));
            d.Dialogue->findChild<QComboBox*>(QStringLiteral("CmbBxImages"))->setCurrentIndex(1);
            d.Dialogue->findChild<QComboBox*>(QStringLiteral("CmbBxSens"))->setCurrentIndex(0);
            Animation->FixerBoucle(false);
        }
        return rep;
    });
    QTest::mouseClick(v.BtBtnOuvrir, Qt::LeftButton);
    ASSERT_EQ(v.ChckLstBxImages->count(), N);
    // Alphabetical on an empty list: serie_0, serie_1, serie_10, serie_100...
    EXPECT_EQ(v.ChckLstBxImages->item(2)->text(), QStringLiteral("serie_10.fit"));
    EXPECT_EQ(v.ChckLstBxImages->item(3)->text(), QStringLiteral("serie_100.fit"));
    EXPECT_EQ(v.SttcTxtNomImage->text(), noms[0]);

    v.MnItmTriParSerie->trigger();
    QStringList ordre;
    for (const TLigneVisionneuse& l : v.Lignes())
        ordre << l.Chemin();
    EXPECT_EQ(ordre, noms);

    // Every line, to the end; Up stops on the first.
    v.SpdBttnTout->click();
    EXPECT_EQ(Parcourir(v, Qt::Key_Down).size(), size_t(N - 1));
    QTRY_VERIFY(!v.RenduEnAttente());
    EXPECT_EQ(v.SttcTxtNomImage->text(), noms[N - 1]);
    EXPECT_EQ(v.ImgVisualisation->width(), 256);
    v.SelectionnerLigne(1);
    EXPECT_EQ(Parcourir(v, Qt::Key_Up), std::vector<int>{0});

    // Every seventh line ticked: the ticked and the unticked ones.
    for (int i = 0; i < N; i += 7)
        v.ChckLstBxImages->item(i)->setCheckState(Qt::Checked);
    const int cochees = (N + 6) / 7;
    v.SpdBttnSelectionnes->click();
    EXPECT_EQ(v.ImagesParcourues, 1);
    v.SelectionnerLigne(0);
    const std::vector<int> vuesCochees = Parcourir(v, Qt::Key_Down);
    ASSERT_EQ(vuesCochees.size(), size_t(cochees - 1));
    for (size_t k = 0; k < vuesCochees.size(); ++k)
        ASSERT_EQ(vuesCochees[k], 7 * static_cast<int>(k + 1));
    EXPECT_EQ(Parcourir(v, Qt::Key_Up).size(), size_t(cochees - 1));
    // Unticked ones from a ticked line, then back up.
    v.SpdBttnDeselectionnes->click();
    v.SelectionnerLigne(N - 6);
    EXPECT_EQ(Parcourir(v, Qt::Key_Down), (std::vector<int>{N - 5, N - 4, N - 3, N - 2, N - 1}));
    EXPECT_EQ(Parcourir(v, Qt::Key_Up).size(), size_t(N - cochees - 1));
    EXPECT_EQ(v.LigneSelectionnee(), 1);
    QTRY_VERIFY(!v.RenduEnAttente());
    EXPECT_EQ(v.SttcTxtNomImage->text(), noms[1]);

    // The ticked lines played once, from the top: it stops on the last one.
    v.SelectionnerLigne(0);
    QTest::mouseClick(v.SpdBttnAnimer, Qt::LeftButton);
    ASSERT_TRUE(v.AnimationEnCours());
    QTRY_VERIFY_WITH_TIMEOUT(!v.AnimationEnCours(), 60000);
    EXPECT_EQ(v.LigneSelectionnee(), 7 * (cochees - 1));
    EXPECT_EQ(v.SttcTxtNomImage->text(), noms[7 * (cochees - 1)]);
}
