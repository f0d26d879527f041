// Text in a fixed-width bitmap font held in one texture.
//
// The texture is a 16 x 16 grid of equal cells, one per byte value: code c
// sits in column c % 16 and row c / 16, row 0 being the texture's first row
// (the top of the picture). BuildFont compiles one display list per byte
// that draws a 16 x 16 textured square from the current origin towards +x
// and +y and then moves the origin 16 units along x; PrintText draws a whole
// string with one glCallLists over its bytes.
//
// This module neither loads nor binds the texture and sets no colour,
// blending or projection: the caller does all of that. No byte value is
// special (a zero or a line feed draws its cell like any other byte).
#pragma once

#include <string_view>

#include "glbinding/GLTypes.h"

// The first of the 256 glyph lists; 0 until BuildFont.
extern GLuint FontBase;

// Obtains 256 list names into FontBase and compiles the glyph lists.
// Needs a current GL context.
void BuildFont();

// Deletes exactly the lists FontBase to FontBase + 255; FontBase keeps its value.
void KillFont();

// Draws the bytes at the current modelview origin, which moves 16 units to
// the right per byte. Saves and restores the list base; allocates nothing.
void PrintText(std::string_view text);
