// Per-key "down now" and "pressed since the last query" latches, shared by both platforms.
#pragma once

#include <array>
#include <cstdint>

class TInputLatch {
 public:
  static constexpr int KeyCount = 256;

  void Press(int vk);    // key went down
  void Release(int vk);  // key went up
  void Tap(int vk);      // down and up before anyone looked: pressed-since, not down
  void Forget(int vk);   // the press was taken by someone else: no longer pressed-since
  // Takes over another latch's answer to a query: down as it says, pressed-since added to a
  // press not yet queried here.
  void Absorb(int vk, uint16_t state);
  void ReleaseAll();  // focus lost: nothing stays held
  void Clear();       // forget everything
  // 0x8000 when down, | 1 when pressed since the previous Query of this key (consumed).
  uint16_t Query(int vk);
  bool IsDown(int vk) const;
  bool Pressed(int vk) const;  // pressed-since, without consuming it

 private:
  std::array<bool, KeyCount> FDown{};
  std::array<bool, KeyCount> FPressed{};
};
