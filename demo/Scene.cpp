#include "demo/Scene.h"

#include "demo/Demo.h"
#include "demo/Overlay.h"
#include "glbinding/GLLoader.h"
#include "lightning/lightning.h"

void DrawScene() {
  // The depth buffer is cleared but never tested: later lines cover
  // earlier ones.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -2.5f);
  glRotatef(DemoSettings.RotationX, 1.0f, 0.0f, 0.0f);
  glRotatef(DemoSettings.RotationY, 0.0f, 1.0f, 0.0f);

  glLineWidth(1.0f);
  glBegin(GL_LINES);
  glColor3f(1.0f, 0.0f, 0.0f);
  glVertex3f(0.0f, 0.0f, 0.0f);
  glVertex3f(1.0f, 0.0f, 0.0f);
  glColor3f(0.0f, 1.0f, 0.0f);
  glVertex3f(0.0f, 0.0f, 0.0f);
  glVertex3f(0.0f, 1.0f, 0.0f);
  glColor3f(0.0f, 0.0f, 1.0f);
  glVertex3f(0.0f, 0.0f, 0.0f);
  glVertex3f(0.0f, 0.0f, 1.0f);
  glEnd();

  // The frozen list holds only the line primitive, so it takes this colour
  // and width just as a live bolt does.
  glColor3f(1.0f, 0.9f, 1.0f);
  glLineWidth(2.0f);
  if (DemoSettings.Frozen) {
    glCallList(FrozenList);
  } else {
    DrawLightning(MakeVector(0.0f, 0.0f, 0.0f), MakeVector(0.0f, 1.0f, 0.0f), DemoSettings.Detail,
                  DemoSettings.Scatter, DemoSettings.Damping);
  }
  DrawOverlay();
}
