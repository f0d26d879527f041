// One frame: clear, camera, the three unit axes, the bolt (live, or the
// frozen list while Space is held), then the help overlay.
//
// Expects GL_MODELVIEW current and leaves it so.
#pragma once

void DrawScene();
