#pragma once
// Header cards as the other FITS readers take them: the form the writer gives
// each card, the cards that would make those readers lay out or scale the
// data otherwise, and why a card typed in the header editor could not be
// saved as typed.
#include <QString>
#include <QStringList>

// The card with only the characters a FITS header holds, printable ASCII:
// accents dropped (é -> e), any other character a blank; never longer than
// the card.
QString CarteAsciiFit(const QString& carte);

// The card as written: printable ASCII (CarteAsciiFit), and the "=" of a
// value card followed by a blank, without which most readers take the card
// for a comment ("OBJECT  ='M51'" becomes "OBJECT  = 'M51'" when the card has
// room for it).
QString CarteEcriteFit(const QString& carte);

// The keyword as the most lenient reader takes it, in upper case: after
// "HIERARCH", the name up to "="; otherwise the first 8 columns up to "=" or
// a blank, leading blanks skipped.
QString MotCleLuFit(const QString& carte);

// True for a card that some reader takes for one of the keywords that lay out
// or scale the data (SIMPLE, BITPIX, NAXIS, NAXISn, BSCALE, BZERO, BLANK,
// PCOUNT, GCOUNT, GROUPS, XTENSION, THEAP, EXTEND, END), in whatever form.
bool EstCarteStructureFit(const QString& carte);

// True when the card is the standard value card of that keyword: the keyword
// in columns 1-8, "= " in columns 9-10.
bool EstCarteValeurFit(const QString& carte, const QString& motCle);

// Why the card, written as it stands in the header of a 16-bit image, would
// be refused by a FITS checker or read otherwise by another program: French
// text naming the card and the cause, empty when none. SIMPLE, BITPIX, NAXIS,
// BSCALE and BZERO in their standard form are left to DefautEnteteFit.
QString DefautCarteFit(const QString& carte);

// Why card i of the header would be read otherwise for giving a keyword that
// another card gives too (as the most lenient reader takes it: HIERARCH
// OBJECT is OBJECT): astropy reads the first, cfitsio the one after where it
// last stopped, Stelor the last. French text naming both cards, empty when
// none; COMMENT, HISTORY, CONTINUE and blank keywords may repeat.
QString DoublonCarteFit(const QStringList& cartes, qsizetype i);

// A value field's number as FITS writes it: an integer (sign, digits), or a
// real with a point and an E or D exponent ("-1.5E-06"; no comma).
bool EstEntierFit(const QString& texte);
bool EstReelFit(const QString& texte);

// The card's text without its trailing blanks (its padding).
QString SansBlancsFinaux(const QString& texte);

// A FITS date: 'YYYY-MM-DD', 'YYYY-MM-DDThh:mm:ss[.s...]' or the older
// 'DD/MM/YY', each field within its calendar range.
bool EstDateFit(const QString& texte);
