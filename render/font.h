// The built-in 5x7 pixel font: 69 glyphs, each lit pixel drawn as one rect
// in the current colour.
#pragma once

// The 7 row bytes of a character (bit 4 is the leftmost column); bytes
// outside the mapping give the blank glyph. Never null.
const unsigned char* glyph(unsigned char ch);

// Left-aligned text whose first cell's top-left corner is (x, y); one font
// pixel is scale x scale screen pixels and each cell advances 6 font pixels.
void text(const char* str, float x, float y, float scale);

// Text at scale 2 centred on x = 960 with an 18-pixel advance per character.
void centered_credit_text(const char* str, float y);
