# The peers the tests compare with: numpy, astropy and Pillow. Called as
# `oracles.py NAME ARG...` (the Python(...) helper of Soutien.h); each oracle
# prints its result, or fails on an assert.
import os, sys, warnings
import numpy as np
warnings.simplefilter('ignore')
from astropy.io import fits
from PIL import Image

rng = np.random.default_rng(14)

# A FIT file as [y][x], top row first, as the windows show it.
def lire(n): return fits.getdata(n).astype(np.float64)[::-1]
# Rounded, clamped, 16-bit.
def ecrire(n, a): fits.PrimaryHDU(np.clip(np.rint(a), 0, 65535).astype(np.uint16)[::-1]).writeto(n, overwrite=True)
def bmp(n): return np.asarray(Image.open(n).convert('RGB' if Image.open(n).mode == 'RGB' else 'L'), dtype=np.float64)
def pile(ns): return np.array([lire(n) for n in ns])

def decaler(a, sx, sy):
    # content moved right by sx and down by sy: whole pixels leave black, fractions go through the FFT
    h, w = a.shape[:2]
    if float(sx).is_integer() and float(sy).is_integer():
        sx, sy = int(sx), int(sy); b = np.zeros_like(a)
        if abs(sx) < w and abs(sy) < h:
            b[max(sy, 0):h + min(sy, 0), max(sx, 0):w + min(sx, 0)] = a[max(-sy, 0):h + min(-sy, 0), max(-sx, 0):w + min(-sx, 0)]
        return b
    fy, fx = np.fft.fftfreq(h)[:, None], np.fft.fftfreq(w)[None, :]
    return np.real(np.fft.ifft2(np.fft.fft2(a) * np.exp(-2j * np.pi * (fx * sx + fy * sy))))

def rendu(nom, bas, haut):
    # the shown picture: values rounded half to even, then the linear levels
    v = np.clip(np.rint(lire(nom)), 0, 65535).astype(np.int64); bas, haut = int(bas), int(haut)
    return np.where(v < bas, 0, np.where(v > haut, 255, (v - bas) * 255 // max(haut - bas, 1)))

def image(n):
    # format, mode and size as Pillow reads the whole file
    i = Image.open(n); i.load(); print(i.format, i.mode, *i.size)

# ---- series for the series windows ----

def series_essai(d, o):
    saao = lire(d + '/saao_raw_u16.fits'); h, w = saao.shape; yy, xx = np.mgrid[0:h, 0:w]
    for i in range(3): ecrire(f'{o}/brute{i + 1}.fit', saao + rng.normal(0, 12, saao.shape))
    for i in range(4):
        a = 300 + rng.normal(0, 15, saao.shape); a[[40, 300, 511], [50, 200, 100]] = 9000 + 500 * i  # hot pixels
        ecrire(f'{o}/dark{i + 1}.fit', a)
    vignette = 1 - 0.35 * (((xx - w / 2) / (w / 2)) ** 2 + ((yy - h / 2) / (h / 2)) ** 2)
    for i in range(3): ecrire(f'{o}/flat{i + 1}.fit', 20000 * vignette + rng.normal(0, 60, saao.shape))
    for i in range(5): ecrire(f'{o}/offset{i + 1}.fit', 200 + rng.normal(0, 5, saao.shape))
    ngc = lire(d + '/ngc1316_optical_i16.fits'); ecrire(o + '/ngc.fit', ngc + rng.normal(0, 5, ngc.shape))
    m51 = lire(d + '/m51_i16_256.fits')
    for i in range(2): ecrire(f'{o}/m51_{i}.fit', m51 + rng.normal(0, 8, m51.shape))
    bruit = lambda a: Image.fromarray(np.clip(np.rint(a + rng.normal(0, 6, a.shape)), 0, 255).astype(np.uint8))
    g, c = bmp(d + '/hubble_deep_field_8.bmp'), bmp(d + '/hubble_deep_field_24.bmp')
    for i in range(4): bruit(g).save(f'{o}/gris{i}.bmp')
    for i in range(3): bruit(c).save(f'{o}/couleur{i}.bmp')

def series_execution(d, o):
    # Noise-free copies of the SAAO frame moved by whole pixels, darks with a
    # hot pixel, offsets of one level, flats of one level near the star and
    # rising to the left: registration finds whole shifts, numpy follows every step.
    saao = lire(d + '/saao_raw_u16.fits'); xx = np.mgrid[0:saao.shape[0], 0:saao.shape[1]][1]
    for k, (sx, sy) in enumerate([(0, 0), (2, -3), (-4, 1)]): ecrire(f'{o}/brute{k}.fit', decaler(saao + 150, sx, sy))
    for k in range(2):
        dark = np.full(saao.shape, 100.0 + k); dark[300, 100] = 4000 + k
        ecrire(f'{o}/dark{k}.fit', dark); ecrire(f'{o}/offset{k}.fit', np.full(saao.shape, 200))
        ecrire(f'{o}/flat{k}.fit', 20200 + 2 * k + 30 * np.clip(380 - xx, 0, None))
    c = bmp(d + '/hubble_deep_field_24.bmp')
    for k in range(2):
        Image.fromarray(np.clip(np.rint(c + rng.normal(0, 4, c.shape)), 0, 255).astype(np.uint8), 'RGB').save(f'{o}/couleur{k}.bmp')

def pile_execution(o, somme):
    # The run of series_execution in numpy: medians (upper middle for an even
    # count) of the darks and offsets, mean of the flats less the offset, flat
    # scaled by its mean, whole shifts with black fill, levels brought to the
    # first frame's mean, every intermediate rounded as the files store it.
    med = lambda n: np.sort(pile([f'{o}/{n}{k}.fit' for k in range(2)]), 0)[1]
    r = lambda a: np.rint(np.clip(a, 0, 65535))
    dark, offset = med('dark'), med('offset')
    flat = np.array([r(lire(f'{o}/flat{k}.fit') - offset) for k in range(2)]).mean(0)
    cal = [r(r(lire(f'{o}/brute{k}.fit') - dark) / np.where(flat == 0, 1, flat) * flat.mean()) for k in range(3)]
    out = [decaler(cal[k], sx, sy) for k, (sx, sy) in enumerate([(0, 0), (-2, 3), (4, -1)])]
    s = lire(somme)
    print(int(np.abs(s - np.clip(sum(r(a + cal[0].mean() - a.mean()) for a in out) / 3, 0, 65535)).max()), s.shape[1], s.shape[0])

def centroide(a, L):
    # brightest pixel first in column order, window of 2*(L div 2), mean threshold
    h, w = a.shape; m = L // 2
    xm, ym = divmod(int(np.argmax(a.T)), h) if a.max() > 0 else (0, 0)
    l, t = max(xm - m, 0), max(ym - m, 0)
    f = a[t:h - max(h - ym - m, 0), l:w - max(w - xm - m, 0)]
    ys, xs = np.nonzero(f >= f.mean()); v = f[ys, xs]
    return (xs * v).sum() / v.sum() + l, (ys * v).sum() / v.sum() + t

def alignement(mode, o, L, source, x1, y1, x2, y2):
    # Writes e0.fit, e1.fit, ... and prints per frame the true shift and the
    # report text numpy's centroid predicts ('-' for the planet).
    L, (x1, y1, x2, y2) = int(L), map(int, (x1, y1, x2, y2)); rng = np.random.default_rng(7)
    def disque(cx, cy, n=4):
        yy, xx = np.mgrid[0:256 * n, 0:256 * n]
        dedans = ((xx + 0.5) / n - 0.5 - cx) ** 2 + ((yy + 0.5) / n - 0.5 - cy) ** 2 <= 60 ** 2
        return 300 + 4700 * dedans.reshape(256, n, 256, n).mean(axis=(1, 3))
    if mode == 'planete':
        c = [(128.0, 128.0), (131.3, 125.6), (124.7, 133.2), (126.45, 127.8)]
        d = [(x - 128, y - 128) for x, y in c]
        im = [disque(x, y) + rng.normal(0, 10, (256, 256)) for x, y in c]
    else:
        d = {'entier': [(0, 0), (3, -2), (-4, 5), (1, 1)], 'bruit': [(0, 0), (3, -2), (-4, 5), (2, 3)],
             'fraction': [(0, 0), (0.3, -0.6), (1.7, 2.2), (-2.45, 0.8)],
             'derive': [(0, 0), (3, -2), (-5, -8), (6, 12)]}[mode]
        saao = lire(source)
        im = [decaler(saao, x, y) + (0 if mode in ('entier', 'derive') else rng.normal(0, 10, saao.shape)) for x, y in d]
    im = [np.clip(np.rint(i), 0, 65535) for i in im]
    for k, i in enumerate(im): ecrire(f'{o}/e{k}.fit', i)
    t = lambda v: f'{v:+.5f}'.replace('.', ',') + '...'
    k = lambda i: centroide(i[y1:y2, x1:x2], L)
    for (sx, sy), i in zip(d, im):
        print(sx, sy, '-' if mode == 'planete' else '\t'.join(t(a - b) for a, b in zip(k(im[0]), k(i))))

# ---- the preprocessing window ----

def masters_fit(o):
    # largest differences of the masters (upper middle of four darks, mean of
    # the flats, median of the offsets); 1 when numpy's median of the darks differs
    d = pile([f'{o}/dark{i}.fit' for i in range(1, 5)])
    e = lambda n, a: int(np.abs(lire(f'{o}/master_{n}.fit') - np.clip(np.rint(a), 0, 65535)).max())
    print(e('dark', np.sort(d, 0)[2]), e('flat', pile([f'{o}/flat{i}.fit' for i in range(1, 4)]).mean(0)),
          e('offset', np.median(pile([f'{o}/offset{i}.fit' for i in range(1, 6)]), 0)), int((np.sort(d, 0)[2] != np.median(d, 0)).any()))

def masters_bmp(o):
    e = lambda n, a: int(np.abs(bmp(f'{o}/{n}.bmp') - a).max())
    g = np.array([bmp(f'{o}/gris{i}.bmp') for i in range(4)]); c = np.array([bmp(f'{o}/couleur{i}.bmp') for i in range(3)])
    m = (g[0] + g[1]) / 2
    print(e('mdark', np.sort(g, 0)[2]), e('mflat', np.rint(c.mean(0))), e('moffset', np.rint(m)), int((m % 1 == 0.5).sum() > 1000), Image.open(o + '/mflat.bmp').mode)

def cadre_etoile(brute):
    # the cut's maximum, and the centroid around the brightest pixel (first in
    # column order) scaled onto the zoom
    a = lire(brute)[73:97, 439:463]
    x0, y0 = divmod(int(np.argmax(a.T)), a.shape[0]); g, t = max(x0 - 2, 0), max(y0 - 2, 0)
    f = a[t:y0 + 2, g:x0 + 2]; yy, xx = np.mgrid[0:f.shape[0], 0:f.shape[1]]; k = f >= f.mean()
    z = lambda v: int(v) * 4 + int((v - int(v)) * 5)
    print(int(np.rint(a.max())), z((xx[k] * f[k]).sum() / f[k].sum() + g), z((yy[k] * f[k]).sum() / f[k].sum() + t))

def planete(o):
    # A bright disk on a flat sky; the first and last bright pixels of 100
    # columns and 100 rows, chained by nearest neighbour, the chain's centroid.
    h, w = 150, 200; yy, xx = np.mgrid[0:h, 0:w]
    a = np.where((xx - 93.3) ** 2 + (yy - 71.8) ** 2 <= 40 ** 2, 3000.0, 100.0)
    ecrire(o + '/planete.fit', a); b = a >= a.std() + 100; pts = []
    for x in [k * (w // 99) for k in range(99)] + [w - 1]:
        r = np.nonzero(b[:, x])[0]; pts += [(x, r[0]), (x, r[-1])] if len(r) else []
    for y in [k * (h // 99) for k in range(99)] + [h - 1]:
        r = np.nonzero(b[y])[0]; pts += [(r[0], y), (r[-1], y)] if len(r) else []
    ch = [pts.pop(0)]
    while pts: ch.append(pts.pop(min(range(len(pts)), key=lambda j: (abs(pts[j][0] - ch[-1][0]) + abs(pts[j][1] - ch[-1][1]), j))))
    x, y = np.array(ch, float).T; x2, y2 = np.roll(x, -1), np.roll(y, -1); s = x * y2 - x2 * y
    print(int(np.rint(((x + x2) * s).sum() / 3 / s.sum())), int(np.rint(((y + y2) * s).sum() / 3 / s.sum())))

# ---- pictures and their planes ----

def rendu_octets(nom, bas, haut, negatif, sortie):
    # the shown picture's bytes, row after row
    o = rendu(nom, bas, haut).astype(np.uint8)
    open(sortie, 'wb').write((255 - o if negatif == '1' else o).tobytes())

def ecart_plan(composite, canal, source, bas, haut, dx, dy):
    # a plane of a colour picture against the shifted rendering of a FIT file ('-': black)
    s = bmp(composite)[:, :, int(canal)]
    r = np.zeros_like(s) if source == '-' else decaler(rendu(source, bas, haut), int(dx), int(dy))
    print(int(np.abs(s - r).max()))

def ecart_demi_pas(composite, source, bas, haut):
    # the red plane moved half a pixel right: the mean of each pixel and its left neighbour
    r = rendu(source, bas, haut) / 2; i = r.copy(); i[:, 1:] += r[:, :-1]
    print(np.abs(bmp(composite)[:, :, 0] - i).max())

def ecart_fit(couleur, canal, fit):
    # a FIT file against a plane of a colour picture ('gris': (R + G + B) div 3)
    c = bmp(couleur).astype(np.int64)
    print(int(np.abs(lire(fit) - (c.sum(axis=2) // 3 if canal == 'gris' else c[:, :, int(canal)])).max()))

def ecart_moyen_rendu(source, bas, haut, nom):
    # mean difference between a picture's grey and the rendering of a FIT file
    r = rendu(source, bas, haut); g = np.asarray(Image.open(nom).convert('L'), dtype=np.int64)
    assert g.shape == r.shape, (g.shape, r.shape)
    print(np.abs(g - r).mean())

def identiques(a, b):
    print(int(bmp(a).shape == bmp(b).shape and (bmp(a) == bmp(b)).all()))

def moyenne_puis_moitie(source, sortie):
    # the mean of a FIT file; writes half its values plus 40 (16-bit signed)
    d = fits.getdata(source).astype(np.float64); print(d.mean())
    fits.writeto(sortie, (np.rint(d / 2) + 40).astype(np.int16))

def cartes_niveaux(source, sortie, smin, smax):
    # a copy with the levels in the program's cards
    h = fits.open(source)[0]
    h.header['STL_SMIN'], h.header['STL_SMAX'], h.header['STL_TRFT'] = int(smin), int(smax), 0.0
    h.writeto(sortie)

def cartes_gardees(*noms):
    # For each (file, turned a quarter, resized by 0.5): every card describing
    # the image is still there with its value, the world coordinates are gone.
    import re
    fautes = []
    for i in range(0, len(noms), 3):
        h0 = fits.getheader(noms[i])
        for n, taille in zip(noms[i + 1:i + 3], ((h0['NAXIS2'], h0['NAXIS1']), ((h0['NAXIS1'] + 1) // 2, (h0['NAXIS2'] + 1) // 2))):
            e = fits.getheader(n)
            fautes += [n] if (e['NAXIS1'], e['NAXIS2']) != taille else []
            for k in set(h0) - {'SIMPLE', 'BITPIX', 'NAXIS', 'NAXIS1', 'NAXIS2', 'BSCALE', 'BZERO', ''}:
                wcs = re.match(r'(CTYPE|CRVAL|CDELT|CRPIX|CROTA|CUNIT|LTV)[0-9]+$|(PC|CD|LTM)[0-9]+_[0-9]+$|(LON|LAT)POLE$|WAT[0-9]+_[0-9]+$', k)
                fautes += [n + ' ' + k] if (k in e if wcs else k not in e or str(e[k]) != str(h0[k])) else []
    print(' '.join(fautes) or 'ok')

def ecart_lecteur(nom, brut):
    # The file as astropy reads it, under the reader's rules (undefined
    # samples at the lowest defined value, a negative minimum shifted to 0),
    # against the doubles of the raw file (column by column, top row first):
    # the largest difference and the undefined samples astropy saw.
    a = fits.getdata(nom, uint=False).astype(np.float64)[::-1]; h, w = a.shape  # uint=True would pass BLANK by
    blancs = np.isnan(a); m = np.nanmin(a) if (~blancs).any() else 0.0
    a[blancs] = m; a -= min(m, 0.0)
    print(np.abs(np.fromfile(brut, '<f8').reshape(w, h).T - a).max(), int(blancs.sum()))

def ecarts_relus(*noms):
    # For each (file, raw doubles of the image saved): how far astropy's
    # values stray from the image's beyond astropy's own rounding (it hands
    # scaled 16-bit data as float32: a few units in the last place of the
    # value and of BZERO); one number a file.
    r = []
    for n, brut in zip(noms[::2], noms[1::2]):
        d = fits.getdata(n); a = d.astype(np.float64)[::-1]; h, w = a.shape
        p = np.fromfile(brut, '<f8').reshape(w, h).T
        z = abs(float(fits.getheader(n).get('BZERO', 0)))
        propre = 2.0 ** -22 * (np.abs(p) + z) if d.dtype == np.float32 else 0.0
        r.append(repr(float((np.abs(a - p) - propre).max())))
    print(' '.join(r))

def celestes(*noms):
    # 1 per file that astropy still builds a sky position from
    from astropy.wcs import WCS
    print(' '.join(str(int(WCS(fits.getheader(n)).has_celestial)) for n in noms))

def pixels_differents(reference, *noms):
    # The files whose data astropy reads otherwise than the reference's, or
    # cannot read at all.
    r = fits.getdata(reference).astype(np.float64); fautes = []
    for n in noms:
        try:
            d = fits.getdata(n).astype(np.float64)
            if d.shape != r.shape or not np.array_equal(d, r): fautes.append(n)
        except Exception as e:
            fautes.append(n + ' (' + type(e).__name__ + ')')
    print(' '.join(fautes) or 'ok')

def cartes_ambigues(*noms):
    # The cards astropy reads from each file that other readers would read
    # otherwise: a keyword given twice (COMMENT, HISTORY, CONTINUE and blank
    # ones may repeat), a number held as an infinity or a denormal.
    import math
    fautes = []
    for n in noms:
        vus = set()
        for c in fits.getheader(n).cards:
            if c.keyword in ('', 'COMMENT', 'HISTORY', 'CONTINUE'): continue
            v = c.value
            nombres = [v.real, v.imag] if isinstance(v, complex) else [v] if isinstance(v, float) else []
            if c.keyword in vus or any(not math.isfinite(x) or 0 < abs(x) < 2.2250738585072014e-308 for x in nombres):
                fautes.append(n + ' ' + c.keyword)
            vus.add(c.keyword)
    print(' '.join(fautes) or 'ok')

# ---- image window commands ----

def stats(nom):
    a = lire(nom); c = a.T.ravel(); h = a.shape[0]
    print('%.4f %.4f %d %d %d %d %d %d' % (a.mean(), a.std(), c.min(), c.argmin() // h, c.argmin() % h,
                                           c.max(), c.argmax() // h, c.argmax() % h))

def convolution(res, avant, *noyau):
    # the input convolved with the kernel (edges repeated, divided by the sum
    # or by 1 when it is 0, clamped, rounded); prints the pixels that differ,
    # a value within a hair of a half rounding either way.
    a, b = (lire(p)[..., None] if p.endswith('.fit') else bmp(p) for p in (avant, res))
    a, b = a.reshape(a.shape[:2] + (-1,)), b.reshape(b.shape[:2] + (-1,))
    k, (h, w) = np.array(noyau, float).reshape(5, 5), a.shape[:2]
    p = np.pad(a, ((2, 2), (2, 2), (0, 0)), mode='edge')
    e = np.clip(sum(k[r, c] * p[r:r + h, c:c + w] for r in range(5) for c in range(5)) / (k.sum() or 1.0),
                0, 65535 if res.endswith('.fit') else 255)
    assert a.shape == b.shape, (a.shape, b.shape)
    d = np.abs(b - np.rint(e))
    print(((d > 0) & ~((np.abs(e - np.floor(e) - 0.5) < 1e-6) & (d <= 1))).sum())

def operation(op, res, *args):
    # the largest difference between the result file and the operation on the inputs
    if op in ('gris', 'decoupe'):
        r, a = bmp(res), bmp(args[0])
        t, b, g, d = map(int, args[1:5] if op == 'decoupe' else [0] * 4)
        att = a.sum(axis=2) // 3 if op == 'gris' else a[t:a.shape[0] - b, g:a.shape[1] - d]
    else:
        r, a = lire(res), lire(args[0])
        b = lire(args[1]) if args[1:] and args[1].endswith('.fit') else None
        fin = lambda x: np.clip(np.round(x), 0, 65535)
        att = {'add': lambda: fin(a + b), 'sub': lambda: fin(a - b), 'moy': lambda: fin((a + b) / 2),
               'div': lambda: fin(a / np.where(b == 0, 1, b) * b.mean()), 'mul': lambda: fin(a * b / b.mean()),
               'cst': lambda: fin(a * float(args[1]) + float(args[2])), 'rot90': lambda: np.rot90(a, -1),
               'rot180': lambda: np.rot90(a, 2), 'rot270': lambda: np.rot90(a, 1), 'mirh': lambda: a[:, ::-1],
               'mirv': lambda: a[::-1, :], 'dec': lambda: decaler(a, int(args[1]), int(args[2]))}[op]()
    assert r.shape == att.shape, (r.shape, att.shape)
    print(np.abs(r - att).max())

# ---- BMP files ----

def bmp_motifs(d):
    # checks our three files, then writes Pillow's own under the names "n*"
    y, x = np.mgrid[0:7, 0:13]
    i8 = ((x * 7 + y * 13) % 256).astype(np.uint8)
    rvb = np.dstack(((x * 11 + y * 3) % 256, (x * 5 + y * 17 + 40) % 256, (255 - x * 9 - y) & 255)).astype(np.uint8)
    pal = sum(([i, 255 - i, (3 * i) % 256] for i in range(256)), [])
    g, c, p = (Image.open(d + n) for n in ('/g.bmp', '/c.bmp', '/p.bmp'))
    assert (g.mode, c.mode, p.mode) == ('L', 'RGB', 'P') and p.getpalette()[:768] == pal
    assert (np.asarray(g) == i8).all() and (np.asarray(p) == i8).all() and (np.asarray(c) == rvb).all()
    Image.fromarray(i8).save(d + '/ng.bmp'); Image.fromarray(rvb).save(d + '/nc.bmp')
    p = Image.frombytes('P', (13, 7), i8.tobytes()); p.putpalette(pal); p.save(d + '/np.bmp')
    Image.new('1', (9, 3), 1).save(d + '/nm.bmp'); Image.new('RGBA', (4, 2), (1, 2, 3, 255)).save(d + '/na.bmp')

def palette_grise_desordre(d):
    # grey palettes in a shuffled order (and short), with Pillow's grey beside them
    import random
    for nom, n in (('melange', 256), ('court', 5)):
        niveaux = list(range(0, 256, 256 // n))[:n]
        random.Random(7).shuffle(niveaux)
        p = Image.frombytes('P', (11, 6), bytes((x * 3 + y * 5) % n for y in range(6) for x in range(11)))
        p.putpalette(sum(([v, v, v] for v in niveaux), []))
        p.save(d + '/' + nom + '.bmp')
        p.convert('L').save(d + '/' + nom + '_attendu.bmp')

if __name__ == '__main__':
    globals()[sys.argv[1]](*sys.argv[2:])
