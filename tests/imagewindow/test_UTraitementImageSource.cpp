// The image window's "Enregistrer" never offers to replace a FITS file that
// the 16-bit writer cannot write back as it was.
#include "PFichiers.h"
#include "Soutien.h"
#include "UFit.h"
#include "UTraitementImage.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A FITS file of the given BITPIX and planes, 4 x 3, bytes of the samples in
// file order.
QString EcrireFichier(const QTemporaryDir& dossier, const QString& nom, int bitpix, int plans)
{
    QByteArray d;
    QStringList cartes = {"SIMPLE  = T", QStringLiteral("BITPIX  = %1").arg(bitpix),
                          QStringLiteral("NAXIS   = %1").arg(plans > 1 ? 3 : 2), "NAXIS1  = 4", "NAXIS2  = 3"};
    if (plans > 1)
        cartes << QStringLiteral("NAXIS3  = %1").arg(plans);
    for (const QString& c : cartes + QStringList{"END"})
        d += c.leftJustified(80, QLatin1Char(' ')).toLatin1();
    d = d.leftJustified(2880, ' ');
    const int octets = bitpix / 8;
    for (int i = 0; i < 12 * plans; ++i) {
        d += QByteArray(octets - 1, '\0');
        d += char(10 + i);
    }
    EcrireFichierSur(dossier.filePath(nom), d.leftJustified(2880 * 2, '\0'));
    return dossier.filePath(nom);
}

} // namespace

TEST(EnregistrementSource, NomDemandeSansProposerUnFichierNonReproductible)
{
    QTemporaryDir dossier;
    const struct {
        const char* nom;
        int bitpix, plans;
        bool propose;
    } cas[] = {{"octets.fit", 8, 1, false}, {"entiers.fit", 32, 1, false}, {"cube.fit", 16, 3, false},
               {"plan.fit", 16, 1, true}};
    for (const auto& k : cas) {
        SCOPED_TRACE(k.nom);
        const QString source = EcrireFichier(dossier, k.nom, k.bitpix, k.plans);
        const QByteArray avant = LireFichierComplet(source);
        std::vector<TDemandeDialogue> demandes;
        QString reponse;
        TRepondeurTest repondeur([&](const TDemandeDialogue& d) {
            TReponseDialogue r = ReponseParDefaut(d);
            if (d.Genre == TGenreDemande::EnregistrerFichier) {
                demandes.push_back(d);
                if (!reponse.isEmpty())
                    r.Fichiers = {reponse};
            }
            return r;
        });
        auto* f = new TTraitementImage();
        f->OuvrirImage(source, true);
        ASSERT_EQ(f->ImageFit.Pixel(0, 2), 10);
        f->AppliquerPasseHaut(2, false);

        // Cancelled: the source proposed only when it can be written back.
        f->MenuEnregistrerSousImgSourceClick();
        ASSERT_EQ(demandes.size(), 1u);
        EXPECT_EQ(demandes[0].Dossier == source, k.propose) << demandes[0].Dossier.toStdString();
        EXPECT_EQ(LireFichierComplet(source), avant);

        // The name chosen is written and shown, and proposed next time.
        reponse = dossier.filePath(QStringLiteral("copie_%1").arg(k.nom));
        f->MenuEnregistrerSousImgSourceClick();
        EXPECT_EQ(f->NomFichier, reponse);
        EXPECT_EQ(LireFichierComplet(source), avant);
        reponse.clear();
        f->MenuEnregistrerSousImgSourceClick();
        ASSERT_EQ(demandes.size(), 3u);
        EXPECT_EQ(demandes[2].Dossier, f->NomFichier);
        f->Modifiee = false;
        delete f;
    }
}
