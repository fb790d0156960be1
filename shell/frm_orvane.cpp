#include "shell/frm_orvane.h"

#include "ddraw/ddraw.h"
#include "ddraw/sprite_set.h"
#include "dinput/dinput.h"

const runtime::FormSettings FrmOrvane{
    .caption = "Orvane Demo",
    .backColor = 0x000000,
    .borderStyle = 0,
    .widthTwips = 4680,
    .heightTwips = 3195,
    .showInTaskbar = false,
    .startUpPosition = 3,
};

namespace {

bool Down(int scanCode) { return Keys[static_cast<std::size_t>(scanCode)] != runtime::False; }

// Reads the keyboard and applies the seven key commands in order, each on what the ones before
// it left. A held key repeats its command every pass.
void HandleKeys() {
  ReadKeys();
  if (Down(DIK_ESCAPE)) Running = runtime::False;
  if (Down(DIK_UP)) Backdrop = runtime::AddInteger(Backdrop, 1);
  if (Down(DIK_DOWN)) Backdrop = runtime::SubtractInteger(Backdrop, 1);
  if (Down(DIK_I)) ZoomSpritesIn();
  if (Down(DIK_O)) ZoomSpritesOut();
  if (Down(DIK_LEFT)) PreviousSpriteFrames();
  if (Down(DIK_RIGHT)) NextSpriteFrames();
}

// The main loop. Its one exit is ExitProgram, which is also where any error of a pass goes; an
// error of ExitProgram after a normal end runs it once more from the handler.
[[noreturn]] void RunMainLoop() {
  try {
    while (Running != runtime::False) {
      HandleKeys();
      DrawSprites();
      FlipScreen();
      DrawBackdrop();
      runtime::DoEvents();
    }
    ExitProgram();
  } catch (const runtime::Error&) {
    ExitProgram();
  }
}

}  // namespace

void Form_Load() {
  InitDDraw();
  InitDInput();
  runtime::ShowForm();
  RunMainLoop();
}

void ExitProgram() {
  ReleaseDDraw();
  ReleaseDInput();
  runtime::End();
}
