/*
** F12 screenshots: a whole BMP file image (frontend/screen_bmp.h) written
** unchanged to the lowest free name "%08u.bmp" in the working directory,
** from 00000001.bmp on, so that a gap left by a deleted file is filled
** first. Any existing name counts as taken, a folder too.
*/
#ifndef MERIDOKA_SCREENSHOT_H
#define MERIDOKA_SCREENSHOT_H

#include <stdint.h>

/* 1 when the file was written whole; failures are silent otherwise. */
int screenshot_save(const uint8_t *image, uint32_t length);

#endif
