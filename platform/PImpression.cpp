#include "PImpression.h"

#include "PDialogues.h"
#include "PErreurs.h"
#include "PFichiers.h"

#include <QFileInfo>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTextDocument>
#include <memory>

bool Imprimer(QWidget* parent, const QString& titre, const QString& legende,
              const std::function<void(QPrinter&)>& dessiner)
{
    if (!QPrinterInfo::defaultPrinter().isNull()) {
        QPrinter imprimante(QPrinterInfo::defaultPrinter());
        imprimante.setDocName(titre);
        dessiner(imprimante);
        return true;
    }
    const QString nom = Dialogues::ChoisirFichierEnregistrement(parent, legende, QStringLiteral("Fichier PDF (*.pdf)"));
    if (nom.isEmpty())
        return false;
    QTemporaryDir dossier;
    const QString brouillon = dossier.path() + QStringLiteral("/impression.pdf");
    {
        QPrinter imprimante(QPrinter::HighResolution);
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        imprimante.setPageSize(QPageSize(QPageSize::A4));
        imprimante.setDocName(titre);
        imprimante.setCreator(QStringLiteral("Stelor"));
        imprimante.setOutputFileName(brouillon);
        dessiner(imprimante);
    } // the PDF is complete once the printer is gone
    if (!dossier.isValid() || !QFileInfo::exists(brouillon))
        LeverErreur(QStringLiteral("Impossible d'imprimer dans le fichier %1.").arg(nom));
    EcrireFichierSur(nom, LireFichierComplet(brouillon));
    return true;
}

bool ImprimerDocument(QWidget* parent, const QString& titre, const QString& legende, const QTextDocument& document)
{
    return Imprimer(parent, titre, legende, [&document](QPrinter& imprimante) {
        const std::unique_ptr<QTextDocument> copie(document.clone());
        copie->print(&imprimante);
    });
}

bool ImprimerTexte(QWidget* parent, const QString& titre, const QString& legende, const QString& texte,
                   const QFont& police)
{
    return Imprimer(parent, titre, legende, [&](QPrinter& imprimante) {
        QTextDocument document;
        QFont p = police;
        if (police.pixelSize() > 0)
            p.setPixelSize(qRound(police.pixelSize() * imprimante.resolution() / 96.0));
        document.setDefaultFont(p);
        document.setPlainText(texte);
        document.print(&imprimante);
    });
}
