#include "UOutilsFenetres.h"

#include "PApplication.h"
#include "PDialogues.h"
#include "UOutils.h"

#include <QFontInfo>
#include <QFontDatabase>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <QMenu>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QUrl>
#include <algorithm>

// ---------------------------------------------------------------------------
// Key filters

namespace {

const QChar RetourArriere = QLatin1Char('\b');

bool ToutSelectionne(QLineEdit* edit) { return edit->selectedText().size() == edit->text().size(); }

// An accepted key typed over a whole selection replaces the text: the text
// is cleared first, and the further rules then look at the empty text.
void ViderSiToutSelectionne(QLineEdit* edit)
{
    if (ToutSelectionne(edit))
        edit->clear();
}

void FiltrerReel(QLineEdit* edit, int decimales, QChar& touche, bool signe)
{
    const bool chiffre = touche >= QLatin1Char('0') && touche <= QLatin1Char('9');
    const bool accepte = chiffre || touche == RetourArriere || touche == QLatin1Char(',') ||
                         touche == QLatin1Char('.') || (signe && touche == QLatin1Char('-'));
    if (!accepte) {
        touche = QChar();
        return;
    }
    ViderSiToutSelectionne(edit);
    const QString texte = edit->text();
    if (touche == QLatin1Char('.'))
        touche = QLatin1Char(',');
    const auto virgule = texte.indexOf(QLatin1Char(','));
    if (touche == QLatin1Char(',') && virgule >= 0)
        touche = QChar();
    else if (chiffre && virgule >= 0 && texte.size() - virgule - 1 >= decimales)
        touche = QChar();
    else if (touche == QLatin1Char('-') && texte.contains(QLatin1Char('-')))
        touche = QChar();
}

} // namespace

void FiltrerToucheEntier(QLineEdit* edit, QChar& touche)
{
    if (touche != RetourArriere && !(touche >= QLatin1Char('0') && touche <= QLatin1Char('9'))) {
        touche = QChar();
        return;
    }
    ViderSiToutSelectionne(edit);
}

void FiltrerToucheReel(QLineEdit* edit, int decimales, QChar& touche) { FiltrerReel(edit, decimales, touche, false); }

void FiltrerToucheReelSigne(QLineEdit* edit, int decimales, QChar& touche)
{
    FiltrerReel(edit, decimales, touche, true);
}

TFiltreSaisie::TFiltreSaisie(QLineEdit* edit, TGenreSaisie genre, int decimales)
    : QObject(edit), FEdit(edit), FGenre(genre), FDecimales(decimales)
{
}

bool TFiltreSaisie::eventFilter(QObject* objet, QEvent* evenement)
{
    if (objet != FEdit || evenement->type() != QEvent::KeyPress)
        return false;
    auto* e = static_cast<QKeyEvent*>(evenement);
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    QChar touche;
    if (e->key() == Qt::Key_Backspace) {
        touche = RetourArriere;
    } else {
        const QString texte = e->text();
        if (texte.size() != 1 || !texte[0].isPrint())
            return false; // navigation, Delete, Tab, Enter, Escape...
        touche = texte[0];
    }
    const QChar tapee = touche;
    switch (FGenre) {
    case TGenreSaisie::Entier:
        FiltrerToucheEntier(FEdit, touche);
        break;
    case TGenreSaisie::Reel:
        FiltrerToucheReel(FEdit, FDecimales, touche);
        break;
    case TGenreSaisie::ReelSigne:
        FiltrerToucheReelSigne(FEdit, FDecimales, touche);
        break;
    }
    if (touche.isNull())
        return true;
    if (touche != tapee) {
        FEdit->insert(QString(touche));
        return true;
    }
    return false;
}

TValidateurSaisie::TValidateurSaisie(TGenreSaisie genre, int decimales, QObject* parent)
    : QValidator(parent), FGenre(genre), FDecimales(decimales)
{
}

QValidator::State TValidateurSaisie::validate(QString& texte, int& position) const
{
    Q_UNUSED(position);
    if (FGenre != TGenreSaisie::Entier)
        texte.replace(QLatin1Char('.'), QLatin1Char(','));
    int virgules = 0, moins = 0;
    for (const QChar c : texte) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            continue;
        if (c == QLatin1Char(',') && FGenre != TGenreSaisie::Entier)
            ++virgules;
        else if (c == QLatin1Char('-') && FGenre == TGenreSaisie::ReelSigne)
            ++moins;
        else
            return Invalid;
    }
    if (virgules > 1 || moins > 1)
        return Invalid;
    // No more decimals than the key filter lets in.
    const auto virgule = texte.indexOf(QLatin1Char(','));
    if (virgule < 0)
        return Acceptable;
    const auto chiffres = texte.size() - virgule - 1 - texte.mid(virgule + 1).count(QLatin1Char('-'));
    return chiffres <= FDecimales ? Acceptable : Invalid;
}

TFiltreSaisie* InstallerFiltreSaisie(QLineEdit* edit, TGenreSaisie genre, int decimales)
{
    auto* filtre = new TFiltreSaisie(edit, genre, decimales);
    edit->installEventFilter(filtre);
    edit->setValidator(new TValidateurSaisie(genre, decimales, edit));
    return filtre;
}

// ---------------------------------------------------------------------------
// Steppers and fix-ups

bool IncrementerEditReel(QLineEdit* edit, TBoutonHautBas bouton, int decimales, double pas, double minimum)
{
    const double valeur = ConvertirReel(edit->text());
    if (bouton == TBoutonHautBas::Suivant) {
        edit->setText(ReelEnTexte(valeur + pas, decimales));
        return true;
    }
    // The minimum as the edit would show it, so that 0,2 compares with 0,2.
    if (valeur > ConvertirReel(ReelEnTexte(minimum, decimales))) {
        edit->setText(ReelEnTexte(valeur - pas, decimales));
        return true;
    }
    return false;
}

bool IncrementerEditEntier(QLineEdit* edit, TBoutonHautBas bouton, int32_t pas, int32_t minimum, int32_t maximum)
{
    const int64_t valeur = ConvertirEntier(edit->text());
    int64_t nouvelle;
    if (bouton == TBoutonHautBas::Suivant && valeur < maximum)
        nouvelle = valeur + pas;
    else if (bouton == TBoutonHautBas::Precedent && valeur > minimum)
        nouvelle = valeur - pas;
    else
        return false;
    nouvelle = std::clamp<int64_t>(nouvelle, INT32_MIN, INT32_MAX);
    edit->setText(QString::number(nouvelle));
    return true;
}

namespace {

// The spin box repeats its step for as long as it has not seen the button
// or the key go up. When the step showed a box, that box took the release:
// once the press is handled, the spin box is told that the button is up,
// unless the user still holds it down.
void ArreterRepetitionSansBouton(QSpinBox* hautBas)
{
    QMetaObject::invokeMethod(
        hautBas,
        [hautBas] {
            if (QGuiApplication::mouseButtons() & Qt::LeftButton)
                return;
            QMouseEvent relache(QEvent::MouseButtonRelease, QPointF(), hautBas->mapToGlobal(QPointF()),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(hautBas, &relache);
            QKeyEvent toucheRelachee(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier);
            QCoreApplication::sendEvent(hautBas, &toucheRelachee);
        },
        Qt::QueuedConnection);
}

} // namespace

void RelierHautBas(QSpinBox* hautBas, std::function<void(TBoutonHautBas)> action)
{
    hautBas->setRange(0, 5000);
    hautBas->setValue(2500);
    QObject::connect(hautBas, &QSpinBox::valueChanged, hautBas, [hautBas, action = std::move(action)](int valeur) {
        if (valeur == 2500)
            return;
        {
            const QSignalBlocker bloque(hautBas);
            hautBas->setValue(2500);
        }
        ExecuterCommande([&] { action(valeur > 2500 ? TBoutonHautBas::Suivant : TBoutonHautBas::Precedent); });
        ArreterRepetitionSansBouton(hautBas);
    });
}

void EditSigmaMinimum(QLineEdit* edit)
{
    const QString minimum = ReelEnTexte(0.2, 1);
    if (edit->text().isEmpty() || ConvertirReel(edit->text()) < 0.2)
        edit->setText(minimum);
}

void EditCoefficientPositif(QLineEdit* edit)
{
    if (edit->text().isEmpty() || ConvertirReel(edit->text()) < 0)
        edit->setText(ReelEnTexte(0, 1));
}

void EditEntierVide(QLineEdit* edit)
{
    if (edit->text().isEmpty() || edit->text() == QLatin1String("-"))
        edit->setText(QStringLiteral("0"));
}

namespace {

class TFermetureAuClic : public QObject {
public:
    explicit TFermetureAuClic(QDialog& boite) : QObject(&boite), FBoite(boite) {}
    bool eventFilter(QObject* objet, QEvent* evenement) override
    {
        if (evenement->type() != QEvent::MouseButtonPress)
            return QObject::eventFilter(objet, evenement);
        FBoite.reject();
        return true;
    }

private:
    QDialog& FBoite;
};

} // namespace

void FermerAuClic(QDialog& boite, const QList<QWidget*>& controles)
{
    auto* filtre = new TFermetureAuClic(boite);
    for (QWidget* w : controles)
        w->installEventFilter(filtre);
}

// ---------------------------------------------------------------------------
// Emphasis and menus

void AjusterLargeurALegende(QWidget& fenetre, int largeurForme)
{
    // The title bar's font belongs to the window manager: a bold application
    // font stands for it, and the margin for the icon and the three buttons.
    constexpr int MargeBarreTitre = 110;
    QFont police = QApplication::font();
    police.setBold(true);
    const int requise = QFontMetrics(police).horizontalAdvance(fenetre.windowTitle()) + MargeBarreTitre;
    fenetre.resize(std::max(largeurForme, requise), fenetre.height());
}

void MettreEnEvidence(QWidget* controle, bool evidence)
{
    QFont police = controle->font();
    police.setBold(evidence);
    controle->setFont(police);
    const QColor couleur = CouleurEnQColor(evidence ? clRouge : clNoir);
    QPalette palette = controle->palette();
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, couleur);
    controle->setPalette(palette);
}

namespace {

void BasculerMenu(QWidget* menu, bool actif)
{
    if (!menu)
        return;
    for (QAction* action : menu->actions())
        action->setEnabled(actif);
}

} // namespace

void DesactiverMenu(QWidget* menu) { BasculerMenu(menu, false); }
void ActiverMenu(QWidget* menu) { BasculerMenu(menu, true); }

QList<QAction*> CreerMenuZoom(QMenu* parent)
{
    QList<QAction*> items;
    auto ajouter = [&](const QString& titre, const QString& aide, const QKeySequence& raccourci, int tag,
                       const QString& nom) {
        auto* action = new QAction(titre, parent);
        action->setStatusTip(aide);
        action->setToolTip(aide);
        action->setShortcut(raccourci);
        action->setData(tag);
        action->setObjectName(nom);
        parent->addAction(action);
        items.append(action);
    };
    ajouter(QStringLiteral("Moins"), QStringLiteral("Zoom inférieur"), QKeySequence(Qt::CTRL | Qt::Key_K), 0,
            QStringLiteral("ZoomMoins"));
    for (int i = 0; i < 8; ++i) {
        const QString titre = QString::fromLatin1(TableNiveauxZoom[i]);
        ajouter(titre, QStringLiteral("Zoom ") + titre + QStringLiteral(" de la taille originale"), QKeySequence(),
                TablePourcentsZoom[i], QStringLiteral("Zoom%1p100").arg(TablePourcentsZoom[i]));
    }
    ajouter(QStringLiteral("Plus"), QStringLiteral("Zoom supérieur"), QKeySequence(Qt::CTRL | Qt::Key_L), 0,
            QStringLiteral("ZoomPlus"));
    auto* separateur = new QAction(parent);
    separateur->setSeparator(true);
    separateur->setData(0);
    parent->addAction(separateur);
    items.append(separateur);
    ajouter(QStringLiteral("Définir..."), QStringLiteral("Zoom personnalisé..."), QKeySequence(), 0,
            QStringLiteral("ZoomDefinir"));
    return items;
}

void DetruireMenuZoom(QList<QAction*>& liste) { liste.clear(); }

int32_t CouleurIndex(const QComboBox* liste) { return CouleurIndex(liste ? liste->currentIndex() : -1); }
int32_t CouleurIndex(const QListWidget* liste) { return CouleurIndex(liste ? liste->currentRow() : -1); }

// ---------------------------------------------------------------------------
// Messages, home page, mail

void AfficherMessage(const QString& texte) { Dialogues::Information(texte); }

bool OuvrirAdresseInternet(const QString& adresse)
{
    return QDesktopServices::openUrl(QUrl::fromUserInput(adresse));
}

QString AdresseCourriel(const QString& adresseDestinataire, const QString& sujet, const QString& corps)
{
    QString url = QStringLiteral("mailto:") + QString::fromLatin1(QUrl::toPercentEncoding(adresseDestinataire, "@"));
    QStringList champs;
    if (!sujet.isEmpty())
        champs << QStringLiteral("subject=") + QString::fromLatin1(QUrl::toPercentEncoding(sujet));
    if (!corps.isEmpty())
        champs << QStringLiteral("body=") + QString::fromLatin1(QUrl::toPercentEncoding(corps));
    if (!champs.isEmpty())
        url += QLatin1Char('?') + champs.join(QLatin1Char('&'));
    return url;
}

bool EnvoyerCourriel(const QString& nomDestinataire, const QString& adresseDestinataire, const QString& sujet,
                     const QString& corps)
{
    // A mailto: address has no place for the recipient's display name.
    Q_UNUSED(nomDestinataire);
    return QDesktopServices::openUrl(QUrl(AdresseCourriel(adresseDestinataire, sujet, corps)));
}

QFont PoliceChasseFixe()
{
    QFont police(QStringLiteral("Courier New"));
    police.setStyleHint(QFont::Monospace);
    if (!QFontInfo(police).fixedPitch())
        police = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    police.setPixelSize(11);
    return police;
}

void AjusterColonneAuContenu(QTreeWidget* liste, int colonne)
{
    liste->resizeColumnToContents(colonne);
    liste->setColumnWidth(colonne, liste->columnWidth(colonne) + 2 * liste->fontMetrics().averageCharWidth());
}
