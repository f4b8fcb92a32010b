// TPerson: one of the four characters: its record, movement, keyboard control, wandering,
// path following, jumps (Person.cpp) and its drawing and speech (PersonDisplay.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/Types.h"
#include "game/Tile.h"

struct TSpeechLine {
  std::string Text;  // CP949 bytes, at most 50; empty: the line is unused
  TColor Colour = 0;
};

constexpr size_t SpeechTextLimit = 50;  // bytes kept of a said text

class TPerson : public TSprite {
 public:
  TPerson(int Id, int FrameKind, int FigureMode);

  // Shadow and picture; P is the middle of the picture's bottom edge on the ground.
  void Draw(TFrameList& Frame, const TPoint& P) override;
  void DrawSeeThrough(TFrameList& Frame, const TPoint& P) override;
  int GetFrameIndex() override;
  bool Update() override;

  // Turns towards (DX, DY); if it already faced that way and may go, starts the step.
  void TryStep(int DX, int DY);
  void AdvanceStep();
  void Jump(int Speed) { FLiftSpeed = Speed; }
  void SetDirection(const TPoint& V);
  void Animate();
  bool InAir() const { return FLift > 0 || FLiftSpeed > 0; }
  // Frames the current step lasts; at least 1, so it can divide.
  int StepFrames() const;

  void GetSelectRect(TRect& R) const;
  void ClearSpeech();
  void HoldSpeech(int Ms);
  void Say(std::string_view Text, TColor Colour);
  // Adds the speech lines to Frame, and ends the speech once its time is up.
  void DrawSpeech(TFrameList& Frame, int X, int Y);

  uint8_t FDirection = 0;              // facing 0..3: 0 DX<0, 1 DY>0, 2 DY<0, 3 DX>0
  int FStep = 0;                       // animation picture 0..2
  int FStepDelta = 1;                  // +1 or -1
  int FFigureMode = 0;                 // 12 walking figure, 1 single picture
  bool FFreeMode = true;               // false while following FPath
  std::string FPath;                   // direction digits still to walk, next first
  int FIdleFrames = 0;                 // frames standing in free mode since the last step
  int FSpeechUntil = 0;                // millisecond clock at which the speech is cleared
  std::array<TSpeechLine, 4> FSpeech;  // lines 1..4 are FSpeech[0..3]
  int FAnimTick = 0;                   // frames since FStep last changed
  bool FMoving = false;                // a step is under way
  int FStepCount = 0;                  // frames done of the current step
  TPoint FStepVector;                  // cell offset of the current step, (0, 0) when standing
  int FBrightness = 0;                 // -64..64, 0 = not used
  int FAddLevel = 100;                 // additive level, 100 = not used
  int FOpacity = 100;                  // percent, 100 = not used
  int FLift = 0;                       // pixels above the ground
  int FLiftSpeed = 0;                  // pixels per frame upwards
  int FJumpSpeed = 20;                 // pixels per frame a jump gives
  int FGravity = 4;                    // speed lost per frame in the air
  bool FShadow = true;

 private:
  void FollowPath();
  void ObeyKeys();
  void Wander();
  void SpeakLines();
  void EndOrder();
  bool IsCurrent() const;
  void DrawPicture(TFrameList& Frame, const TPoint& P);
};
