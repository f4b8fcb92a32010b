// The least an SDL program does to show a 16-bit picture in a window at 60 frames a second
// without a GPU: the window's own surface (X shared memory), SDL's blit from a 5-6-5 picture
// into it, and a sleep to the next frame's time. The yardstick for the game's presentation
// (bench/present/present_cpu.py); it prints the frames it showed when it is closed or signalled.
//   corvina-minimal-present [WIDTH HEIGHT [fullscreen]]  (fullscreen: the desktop's full screen,
//   the picture drawn at its own size into its corner)
#include <SDL.h>
#include <time.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int64_t NowNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

}  // namespace

int main(int argc, char** argv) {
  const int width = argc > 1 ? std::atoi(argv[1]) : 640, height = argc > 2 ? std::atoi(argv[2]) : 480;
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "minimal-present: %s\n", SDL_GetError());
    return 1;
  }
  const bool fullScreen = argc > 3 && std::strcmp(argv[3], "fullscreen") == 0;
  SDL_Window* window = SDL_CreateWindow("minimal", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                        fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormat(0, width, height, 16, SDL_PIXELFORMAT_RGB565);
  if (window == nullptr || picture == nullptr) {
    std::fprintf(stderr, "minimal-present: %s\n", SDL_GetError());
    return 1;
  }
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(picture->pixels) + y * picture->pitch);
    for (int x = 0; x < width; ++x) row[x] = static_cast<uint16_t>((x * 7) ^ (y * 13) ^ (x * y));
  }
  long frames = 0;
  const int64_t period = 1'000'000'000 / 60;
  int64_t next = NowNs();
  for (bool running = true; running;) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) running &= e.type != SDL_QUIT;
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface != nullptr) {
      SDL_BlitSurface(picture, nullptr, surface, nullptr);
      SDL_UpdateWindowSurface(window);
      if (++frames == 1) std::fprintf(stderr, "minimal-present: first frame shown\n");
    }
    next += period;
    const int64_t now = NowNs();
    if (next < now) next = now;
    const timespec wake{static_cast<time_t>(next / 1'000'000'000), static_cast<long>(next % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
    }
  }
  std::fprintf(stderr, "minimal-present: %ld frames\n", frames);
  SDL_FreeSurface(picture);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
