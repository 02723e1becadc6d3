// The sampling rates and window lengths the position plot offers.
#pragma once

namespace zemtra::plot {

struct RateChoice {
  const char* text;
  int hertz;
};
inline constexpr RateChoice kRateChoices[] = {{"10 Hz", 10}, {"50 Hz", 50}, {"100 Hz", 100}, {"500 Hz", 500}};
inline constexpr int kDefaultRateChoice = 1;

// A longer window moves less per pixel, so it is repainted less often.
struct WindowChoice {
  const char* text;
  int seconds;
  int frameMs;
};
inline constexpr WindowChoice kWindowChoices[] = {
    {"5 s", 5, 40}, {"30 s", 30, 40}, {"2 min", 120, 100}, {"10 min", 600, 200}};
inline constexpr int kDefaultWindowChoice = 1;

}  // namespace zemtra::plot
