// The six-line Russian help in the top-left corner of every frame, drawn
// with the bitmap font: a title, the two controls without a value, and
// scatter, damping and detail with their keys and current values.
//
// Switches to a pixel-exact orthographic projection (y down) and back, with
// the font texture and a blend in which black is transparent; leaves
// texturing and blending off and GL_MODELVIEW current. Allocates nothing.
// Draws nothing at all while FontTexture is 0 (no font could be read).
#pragma once

#include <cstddef>
#include <cstdint>

void DrawOverlay();

// The text shown for a value: the hundredfold of a setting rounded to the
// nearest integer (halves to even), or a plain integer. Writes into out,
// which needs 21 bytes; returns the length.
std::size_t FormatHundredfold(float value, char *out);
std::size_t FormatInteger(std::int64_t value, char *out);
