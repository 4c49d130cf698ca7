#include "UCartesFit.h"

#include "UOutils.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {
bool EstAsciiImprimable(QChar c) { return c.unicode() >= 32 && c.unicode() < 127; }
} // namespace

QString CarteAsciiFit(const QString& carte)
{
    if (std::all_of(carte.begin(), carte.end(), EstAsciiImprimable))
        return carte;
    // Character by character, so that the card never grows past what the
    // editor checked: a letter that decomposes into several (a Hangul
    // syllable) is one blank.
    QString r;
    for (QChar c : carte) {
        if (EstAsciiImprimable(c)) {
            r += c;
            continue;
        }
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        const QString d = QString(c).normalized(QString::NormalizationForm_D);
        const bool accentuee = EstAsciiImprimable(d[0]) && std::all_of(d.begin() + 1, d.end(), [](QChar m) {
                                   return m.category() == QChar::Mark_NonSpacing;
                               });
        r += accentuee ? d[0] : QLatin1Char(' ');
    }
    return r;
}

namespace {

// Keywords whose cards carry text, not a value.
bool EstMotCleCommentaire(const QString& k)
{
    return k.isEmpty() || k == QLatin1String("COMMENT") || k == QLatin1String("HISTORY") ||
           k == QLatin1String("CONTINUE");
}

bool EstHierarch(const QString& carte) { return carte.left(8).toUpper() == QLatin1String("HIERARCH"); }

bool EstNomStructure(const QString& k)
{
    static const QRegularExpression naxis(QStringLiteral("^NAXIS[0-9]+$"));
    static const QStringList noms = {"SIMPLE", "BITPIX", "NAXIS",    "BSCALE", "BZERO", "BLANK", "PCOUNT",
                                     "GCOUNT", "GROUPS", "XTENSION", "THEAP",  "END",   "EXTEND"};
    return noms.contains(k) || naxis.match(k).hasMatch();
}

// What the standard, and the checkers with it, expect of a keyword's value.
enum class TAttendu { Libre, Texte, Date, Entier, Nombre, Logique, Interdit };

TAttendu Attendu(const QString& k)
{
    struct TRegle {
        TAttendu Attendu;
        QRegularExpression Motif;
    };
    static const TRegle regles[] = {
        // A random-groups or table header, or an extension's: other readers
        // would look for data where there is none. NAXIS2A is read as NAXIS2.
        {TAttendu::Interdit,
         QRegularExpression(QStringLiteral("^(?:XTENSION|PCOUNT|GCOUNT|GROUPS|TFIELDS|THEAP|NAXIS[0-9]+[^0-9].*|"
                                           "(?:TTYPE|TFORM|TBCOL|TSCAL|TZERO|TNULL|TDISP|TUNIT|TDIM|PTYPE|PSCAL|"
                                           "PZERO)[0-9]+)$"))},
        {TAttendu::Date, QRegularExpression(QStringLiteral("^DATE"))},
        {TAttendu::Texte,
         QRegularExpression(QStringLiteral("^(?:OBJECT|ORIGIN|TELESCOP|INSTRUME|OBSERVER|AUTHOR|REFERENC|EXTNAME|BUNIT|"
                                           "RADECSYS|(?:RADESYS|SPECSYS|SSYSOBS|WCSNAME)[A-Z]?|"
                                           "(?:CTYPE|CUNIT|CNAME)[0-9]+[A-Z]?|PS[0-9]+_[0-9]+[A-Z]?)$"))},
        {TAttendu::Entier,
         QRegularExpression(QStringLiteral("^(?:BITPIX|NAXIS[0-9]*|BLANK|EXTVER|EXTLEVEL|WCSAXES[A-Z]?)$"))},
        {TAttendu::Nombre,
         QRegularExpression(QStringLiteral("^(?:BSCALE|BZERO|DATAMAX|DATAMIN|EPOCH|MJD-OBS|MJD-AVG|OBSGEO-[XYZ]|"
                                           "(?:EQUINOX|LONPOLE|LATPOLE|RESTFRQ|RESTWAV|VELOSYS|ZSOURCE)[A-Z]?|"
                                           "(?:CRPIX|CRVAL|CDELT|CRDER|CSYER)[0-9]+[A-Z]?|CROTA[0-9]+|"
                                           "(?:PC|CD|PV)[0-9]+_[0-9]+[A-Z]?)$"))},
        {TAttendu::Logique, QRegularExpression(QStringLiteral("^(?:SIMPLE|EXTEND|INHERIT|BLOCKED)$"))},
    };
    for (const TRegle& r : regles)
        if (r.Motif.match(k).hasMatch())
            return r.Attendu;
    return TAttendu::Libre;
}

QString TexteAttendu(TAttendu a)
{
    switch (a) {
    case TAttendu::Texte: return QStringLiteral("un texte entre apostrophes");
    case TAttendu::Date:
        return QStringLiteral("une date entre apostrophes, 'AAAA-MM-JJ' ou 'AAAA-MM-JJThh:mm:ss' (ou l'ancienne forme "
                              "'JJ/MM/AA')");
    case TAttendu::Entier: return QStringLiteral("un nombre entier");
    case TAttendu::Nombre: return QStringLiteral("un nombre, écrit avec un point décimal");
    case TAttendu::Logique: return QStringLiteral("T ou F");
    default: return QString();
    }
}

// A value field (columns 11-80) as FITS reads it.
enum class TGenreValeur { Aucune, Texte, Logique, Entier, Reel, Complexe, Invalide };
struct TValeurCarte {
    TGenreValeur Genre = TGenreValeur::Aucune;
    QString Texte; // a text's content, quotes undone; the value as written otherwise
};

TValeurCarte LireValeur(const QString& champ)
{
    TValeurCarte v;
    qsizetype i = 0;
    const qsizetype n = champ.size();
    while (i < n && champ[i] == QLatin1Char(' '))
        ++i;
    if (i == n || champ[i] == QLatin1Char('/'))
        return v;
    qsizetype fin = i;
    if (champ[i] == QLatin1Char('\'')) {
        // Two quotes stand for one; the text ends at a quote alone.
        qsizetype j = i + 1;
        for (;;) {
            const qsizetype q = champ.indexOf(QLatin1Char('\''), j);
            if (q < 0) {
                v.Genre = TGenreValeur::Invalide;
                v.Texte = champ.mid(i).trimmed();
                return v;
            }
            if (q + 1 < n && champ[q + 1] == QLatin1Char('\'')) {
                v.Texte += champ.mid(j, q + 1 - j);
                j = q + 2;
                continue;
            }
            v.Texte += champ.mid(j, q - j);
            fin = q + 1;
            break;
        }
        v.Genre = TGenreValeur::Texte;
    } else if (champ[i] == QLatin1Char('(')) {
        const qsizetype f = champ.indexOf(QLatin1Char(')'), i);
        v.Texte = champ.mid(i, f < 0 ? -1 : f + 1 - i).trimmed();
        const QStringList parties = f < 0 ? QStringList() : champ.mid(i + 1, f - i - 1).split(QLatin1Char(','));
        bool nombres = parties.size() == 2;
        for (const QString& p : parties)
            nombres &= EstReelFit(p.trimmed());
        if (!nombres) {
            v.Genre = TGenreValeur::Invalide;
            return v;
        }
        v.Genre = TGenreValeur::Complexe;
        fin = f + 1;
    } else {
        fin = i;
        while (fin < n && champ[fin] != QLatin1Char(' ') && champ[fin] != QLatin1Char('/'))
            ++fin;
        v.Texte = champ.mid(i, fin - i);
        if (v.Texte == QLatin1String("T") || v.Texte == QLatin1String("F"))
            v.Genre = TGenreValeur::Logique;
        else if (EstEntierFit(v.Texte))
            v.Genre = TGenreValeur::Entier;
        else if (EstReelFit(v.Texte))
            v.Genre = TGenreValeur::Reel;
        else {
            v.Genre = TGenreValeur::Invalide;
            return v;
        }
    }
    // Only blanks, or a comment after "/", may follow.
    while (fin < n && champ[fin] == QLatin1Char(' '))
        ++fin;
    if (fin < n && champ[fin] != QLatin1Char('/')) {
        v.Texte = champ.mid(i).trimmed();
        v.Genre = TGenreValeur::Invalide;
    }
    return v;
}

bool ValeurConvient(const TValeurCarte& v, TAttendu a)
{
    switch (a) {
    case TAttendu::Texte: return v.Genre == TGenreValeur::Texte;
    case TAttendu::Date: return v.Genre == TGenreValeur::Texte && EstDateFit(v.Texte);
    case TAttendu::Entier: return v.Genre == TGenreValeur::Entier;
    case TAttendu::Nombre: return v.Genre == TGenreValeur::Entier || v.Genre == TGenreValeur::Reel;
    case TAttendu::Logique: return v.Genre == TGenreValeur::Logique;
    default: return true;
    }
}

// A FITS number whose digits before the exponent are all 0.
bool EstNombreNul(const QString& texte)
{
    for (QChar c : texte) {
        if (c == QLatin1Char('E') || c == QLatin1Char('D'))
            break;
        if (c.isDigit() && c != QLatin1Char('0'))
            return false;
    }
    return true;
}

// A FITS real that no double holds: astropy reads an infinity, 0 or a
// denormal, cfitsio refuses the card.
bool HorsDesReels(const QString& nombre)
{
    QString t = PointEnVirgule(nombre);
    t.replace(QLatin1Char('D'), QLatin1Char('E'));
    const std::optional<double> v = TexteEnReelSature(t);
    return v && (std::isinf(*v) || (*v == 0 ? !EstNombreNul(nombre) : std::fabs(*v) < DBL_MIN));
}

// The reals of a value: one, or the two parts of a complex. An integer of
// 70 digits at most is always within a double.
QStringList ReelsValeur(const TValeurCarte& v)
{
    if (v.Genre == TGenreValeur::Reel)
        return {v.Texte};
    if (v.Genre == TGenreValeur::Complexe) {
        QStringList parties = v.Texte.mid(1, v.Texte.size() - 2).split(QLatin1Char(','));
        for (QString& p : parties)
            p = p.trimmed();
        return parties;
    }
    return {};
}

QString DefautInterdit(const QString& debut, const QString& k)
{
    return debut + QStringLiteral(" : le mot clé %1 n'a pas sa place dans l'en-tête d'une image").arg(k) +
           QStringLiteral(" : d'autres programmes liraient les données de l'image autrement.");
}

// What is wrong with the value v of keyword k, whose card's text begins the
// message; empty when nothing.
QString DefautValeur(const QString& debut, const QString& k, const TValeurCarte& v)
{
    if (v.Genre == TGenreValeur::Invalide)
        return debut + QStringLiteral(" n'a pas une valeur FITS (« %1 ») : un texte s'écrit entre apostrophes, un "
                                      "nombre avec un point décimal, un booléen T ou F ; un commentaire suit une "
                                      "barre « / ».")
                           .arg(v.Texte);
    const TAttendu attendu = Attendu(k);
    if (attendu != TAttendu::Libre && !ValeurConvient(v, attendu))
        return debut + QStringLiteral(" : %1 attend %2.").arg(k, TexteAttendu(attendu));
    for (const QString& nombre : ReelsValeur(v))
        if (HorsDesReels(nombre))
            return debut + QStringLiteral(" donne un nombre hors des limites des réels (« %1 ») : d'autres programmes "
                                          "le liraient infini ou nul, ou refuseraient la carte. Un nombre va de "
                                          "2.23E-308 à 1.79E308 en valeur absolue, ou vaut 0.")
                               .arg(nombre);
    // A pixel of no size along an axis: no sky can be built from it.
    static const QRegularExpression cdelt(QStringLiteral("^CDELT[0-9]+[A-Z]?$"));
    if (cdelt.match(k).hasMatch() && EstNombreNul(v.Texte))
        return debut + QStringLiteral(" : %1 ne peut pas valoir 0.").arg(k);
    return QString();
}

int JoursDuMois(int annee, int mois)
{
    static const int jours[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool bissextile = (annee % 4 == 0 && annee % 100 != 0) || annee % 400 == 0;
    return mois == 2 && bissextile ? 29 : jours[mois - 1];
}

} // namespace

bool EstEntierFit(const QString& texte)
{
    static const QRegularExpression m(QStringLiteral("^[+-]?[0-9]+$"));
    return m.match(texte).hasMatch();
}

bool EstReelFit(const QString& texte)
{
    static const QRegularExpression m(QStringLiteral("^[+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[ED][+-]?[0-9]+)?$"));
    return m.match(texte).hasMatch();
}

QString SansBlancsFinaux(const QString& texte)
{
    qsizetype n = texte.size();
    while (n > 0 && texte[n - 1] == QLatin1Char(' '))
        --n;
    return texte.left(n);
}

bool EstDateFit(const QString& texte)
{
    static const QRegularExpression moderne(
        QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})(?:T([0-9]{2}):([0-9]{2}):([0-9]{2})(?:\\.[0-9]*)?)?$"));
    static const QRegularExpression ancienne(QStringLiteral("^([0-9]{2})/([0-9]{2})/([0-9]{2})$"));
    const QString t = SansBlancsFinaux(texte);
    QRegularExpressionMatch m = moderne.match(t);
    int annee = 0, mois = 0, jour = 0;
    if (m.hasMatch()) {
        annee = m.captured(1).toInt();
        mois = m.captured(2).toInt();
        jour = m.captured(3).toInt();
        // A leap second may end a day.
        if (m.hasCaptured(4) && (m.captured(4).toInt() > 23 || m.captured(5).toInt() > 59 || m.captured(6).toInt() > 60))
            return false;
    } else if (m = ancienne.match(t); m.hasMatch()) {
        jour = m.captured(1).toInt();
        mois = m.captured(2).toInt();
        annee = 1900 + m.captured(3).toInt();
    } else {
        return false;
    }
    return mois >= 1 && mois <= 12 && jour >= 1 && jour <= JoursDuMois(annee, mois);
}

QString CarteEcriteFit(const QString& carte)
{
    const QString c = CarteAsciiFit(carte);
    if (c.size() < 10 || c[8] != QLatin1Char('=') || c[9] == QLatin1Char(' ') || EstHierarch(c) ||
        EstMotCleCommentaire(SansBlancsFinaux(c.left(8))))
        return c;
    const QString r = c.left(9) + QLatin1Char(' ') + c.mid(9);
    // The blank takes the place of a trailing one; a full card stays as it is.
    if (r.size() > 80 && !r.mid(80).trimmed().isEmpty())
        return c;
    return r.left(std::max<qsizetype>(80, SansBlancsFinaux(r).size()));
}

QString MotCleLuFit(const QString& carte)
{
    if (EstHierarch(carte)) {
        const qsizetype egal = carte.indexOf(QLatin1Char('='));
        return (egal < 0 ? carte.mid(8) : carte.mid(8, egal - 8)).simplified().toUpper();
    }
    QString k = carte.left(8);
    if (const qsizetype egal = k.indexOf(QLatin1Char('=')); egal >= 0)
        k = k.left(egal);
    k = k.trimmed();
    if (const qsizetype blanc = k.indexOf(QLatin1Char(' ')); blanc >= 0)
        k = k.left(blanc);
    return k.toUpper();
}

bool EstCarteStructureFit(const QString& carte) { return EstNomStructure(MotCleLuFit(carte)); }

bool EstCarteValeurFit(const QString& carte, const QString& motCle)
{
    return carte.left(8) == motCle.leftJustified(8, QLatin1Char(' ')) && carte.mid(8, 2) == QLatin1String("= ");
}

QString DefautCarteFit(const QString& carte)
{
    const QString c = CarteEcriteFit(carte).leftJustified(80, QLatin1Char(' '));
    if (c.trimmed().isEmpty())
        return QString();
    const QString debut = QStringLiteral("La carte « %1 »").arg(SansBlancsFinaux(carte));
    const QString autrement = QStringLiteral(" : d'autres programmes liraient les données de l'image autrement.");
    static const QRegularExpression motCle(QStringLiteral("^[A-Z0-9_-]*$"));

    if (c.startsWith(QLatin1String("HIERARCH"))) {
        const QString nom = MotCleLuFit(c);
        if (EstNomStructure(nom))
            return debut + QStringLiteral(" donne %1 sous la forme HIERARCH").arg(nom) + autrement;
        const qsizetype egal = c.indexOf(QLatin1Char('='));
        if (egal < 0)
            return QString();
        // A short name is read as the keyword itself (HIERARCH DATE-OBS is
        // DATE-OBS): the same value is expected of it.
        const bool standard = nom.size() <= 8 && motCle.match(nom).hasMatch();
        if (standard && Attendu(nom) == TAttendu::Interdit)
            return DefautInterdit(debut, nom);
        return DefautValeur(debut, standard ? nom : QString(), LireValeur(c.mid(egal + 1)));
    }

    // "=" past column 9: every reader takes the keyword of columns 1-8, and
    // no value.
    const qsizetype egal = carte.indexOf(QLatin1Char('='));
    const QString avant = egal > 8 ? SansBlancsFinaux(carte.left(egal)) : QString();
    const QString mot = avant.trimmed();
    if (!mot.isEmpty() && !mot.contains(QLatin1Char(' '))) {
        if (carte.left(8).trimmed().isEmpty())
            return debut + QStringLiteral(" a un mot clé vide (colonnes 1 à 8 blanches) : FITS la lirait comme un "
                                          "commentaire, sans valeur. Le mot clé « %1 » s'écrit à partir de la colonne "
                                          "1, le signe « = » en colonne 9.")
                               .arg(mot);
        if (avant == mot && mot.size() > 8)
            return debut + QStringLiteral(" a un mot clé de plus de 8 caractères (« %1 ») : FITS lirait le mot clé "
                                          "« %2 » sans valeur.")
                               .arg(mot, mot.left(8));
        if (avant == mot)
            return debut + QStringLiteral(" a son signe « = » en colonne %1 au lieu de 9 : FITS lirait le mot clé "
                                          "« %2 » sans valeur.")
                               .arg(egal + 1)
                               .arg(mot);
    }
    const QString k = SansBlancsFinaux(c.left(8));
    if (!motCle.match(k).hasMatch())
        return debut + QStringLiteral(" a un mot clé que FITS n'admet pas (« %1 ») : lettres majuscules, chiffres, "
                                      "« - » et « _ » seulement, sans blanc avant.")
                           .arg(k) +
               (EstNomStructure(MotCleLuFit(c)) ? QStringLiteral(" D'autres programmes le prendraient pour %1 et "
                                                                 "liraient les données de l'image autrement.")
                                                      .arg(MotCleLuFit(c))
                                                : QString());
    if (k == QLatin1String("END"))
        return debut + QStringLiteral(" : END termine l'entête, seul sur sa ligne ; il ne prend ni valeur ni texte.");
    if (EstMotCleCommentaire(k))
        return QString();

    const TAttendu attendu = Attendu(k);
    if (attendu == TAttendu::Interdit)
        return DefautInterdit(debut, k);
    if (c.mid(8, 2) != QLatin1String("= ")) {
        if (c[8] == QLatin1Char('='))
            return debut + QStringLiteral(" est trop longue : le signe « = » doit être suivi d'un blanc.");
        if (attendu != TAttendu::Libre)
            return debut + QStringLiteral(" n'a pas de signe « = » en colonne 9 : %1 attend %2.")
                               .arg(k, TexteAttendu(attendu));
        return QString();
    }
    return DefautValeur(debut, k, LireValeur(c.mid(10)));
}

QString DoublonCarteFit(const QStringList& cartes, qsizetype i)
{
    const QString k = MotCleLuFit(cartes[i]);
    if (EstMotCleCommentaire(k))
        return QString();
    for (qsizetype j = 0; j < cartes.size(); ++j)
        if (j != i && MotCleLuFit(cartes[j]) == k)
            return QStringLiteral("La carte « %1 » donne le mot clé %2, que donne aussi la carte « %3 » : les "
                                  "programmes FITS ne liraient pas tous la même valeur. Seuls COMMENT, HISTORY, "
                                  "CONTINUE et les cartes sans mot clé se répètent.")
                .arg(SansBlancsFinaux(cartes[i]), k, SansBlancsFinaux(cartes[j]));
    return QString();
}
