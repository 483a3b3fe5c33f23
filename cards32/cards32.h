/*
 * cards32: the card-drawing component. A plain C interface, loaded at run time.
 *
 * A drawing target crosses the boundary as a CdtTarget: a block of 32-bit
 * pixels owned by the caller. Each pixel is 0xFFRRGGBB read as a native
 * uint32_t (the layout of QImage::Format_RGB32, and of a Windows DIB section).
 * Coordinates handed to the functions are logical pixels; the target's scale
 * says how many device pixels make one logical pixel, so a target with scale 2
 * gets every card drawn crisp at twice the size. Drawing is clipped to the
 * target: a card partly or wholly outside it writes only the pixels inside.
 *
 * Colours are Windows colour values: red in bits 0-7, green 8-15, blue 16-23.
 * Card codes are rank * 4 + suit; rank 0 is the ace, 12 the king; suits 0 to 3
 * are clubs, diamonds, hearts and spades.
 */
#ifndef CARDS32_H
#define CARDS32_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CdtTarget {
    uint32_t* pixels; /* top-left pixel of the target */
    int32_t width;    /* device pixels per row */
    int32_t height;   /* rows, in device pixels */
    int32_t stride;   /* distance in pixels (not bytes) from one row to the next */
    int32_t scale;    /* device pixels per logical pixel, 1 to CDT_MAX_SCALE */
} CdtTarget;

/* Draw modes understood by cdtDraw. */
enum {
    CDT_FACES = 0,     /* the face of card 0-51 */
    CDT_BACKS = 1,     /* the back whose design number is passed as the card */
    CDT_HILITE = 2,    /* the face of card 0-51 with its colours inverted */
    CDT_REMOVE = 4     /* the card's rectangle filled with the colour */
};

/* Faces and backs are opaque but within CDT_CORNER logical pixels of each
 * corner, where they are rounded and leave the target showing through. */
enum { CDT_CORNER = 4 };

/* The largest scale drawn; a target of a larger one is refused, since its
 * cards would take megabytes each. A maximised window on an 8K screen, the
 * largest made, asks for 10 (its 4,320 rows over a playfield some 430 logical
 * pixels high); only a window spread over several screens asks for more. */
enum { CDT_MAX_SCALE = 12 };

/* The first and last back design numbers. */
enum { CDT_FIRST_BACK = 53, CDT_LAST_BACK = 68 };

typedef int32_t (*CdtInitFn)(int32_t* width, int32_t* height);
typedef int32_t (*CdtDrawFn)(const CdtTarget* target, int32_t x, int32_t y,
                             int32_t card, int32_t mode, uint32_t color);
typedef int32_t (*CdtDrawExtFn)(const CdtTarget* target, int32_t x, int32_t y,
                                int32_t dx, int32_t dy, int32_t card, int32_t mode,
                                uint32_t color);
typedef int32_t (*CdtAnimateFn)(const CdtTarget* target, int32_t cardBack,
                                int32_t x, int32_t y, int32_t frame);
typedef void (*CdtTermFn)(void);

/* Reports the card size in logical pixels (71 by 96); nonzero on success. */
int32_t cdtInit(int32_t* width, int32_t* height);

/* Draws a card-sized image with its top-left corner at (x, y); nonzero when
 * something was drawn, 0 for an unknown card, design or mode. */
int32_t cdtDraw(const CdtTarget* target, int32_t x, int32_t y, int32_t card,
                int32_t mode, uint32_t color);

/* As cdtDraw, scaled to dx by dy logical pixels. */
int32_t cdtDrawExt(const CdtTarget* target, int32_t x, int32_t y, int32_t dx,
                   int32_t dy, int32_t card, int32_t mode, uint32_t color);

/* Draws frame `frame` of an animated back. Our backs have a single frame, so
 * every frame is the back itself. */
int32_t cdtAnimate(const CdtTarget* target, int32_t cardBack, int32_t x,
                   int32_t y, int32_t frame);

/* Releases the rendered images. */
void cdtTerm(void);

#ifdef __cplusplus
}
#endif

#endif
