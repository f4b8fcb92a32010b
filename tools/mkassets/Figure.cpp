// Figures are painted facing right (front or back) and mirrored for the left facings. Each part
// is shaded with light from the upper left and edged in its darkest shade; a dark outline goes
// round the whole figure last.
#include "tools/mkassets/Figure.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int W = 54, kH = 70;
constexpr int Cx = 27;    // the figure's middle column
constexpr int Feet = 60;  // the row the soles rest on

// A part being painted: its pixels are collected first so that its own edge can be darkened.
struct TPart {
  TIndexedImage Mask{W, kH};  // 1 where the part covers, shade stored separately
  std::vector<double> Light = std::vector<double>(W * kH, 0.0);
  void Cover(int x, int y, double light) {
    if (!Mask.Inside(x, y)) return;
    Mask.Set(x, y, 1);
    Light[static_cast<size_t>(y * W + x)] = light;
  }
  // Puts the part on the picture: edge pixels (next to uncovered ones) take the darkest shades.
  void Paint(TIndexedImage& pic, TRamp ramp, bool edged = true) const {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < W; ++x) {
        if (!Mask.At(x, y)) continue;
        double t = Light[static_cast<size_t>(y * W + x)];
        const bool edge = !Mask.At(x - 1, y) || !Mask.At(x + 1, y) || !Mask.At(x, y - 1) || !Mask.At(x, y + 1);
        if (edged && edge) t = std::min(t, 0.12);
        pic.Set(x, y, ramp.Shade(t));
      }
  }
};

TPart Ellipse(double cx, double cy, double rx, double ry) {
  TPart p;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < W; ++x) {
      const double nx = (x + 0.5 - cx) / rx, ny = (y + 0.5 - cy) / ry;
      if (nx * nx + ny * ny <= 1.0) p.Cover(x, y, 0.62 - 0.30 * nx - 0.22 * ny);
    }
  return p;
}

// A limb: the pixels within width/2 of the segment, lit on its left side.
TPart Limb(double x0, double y0, double x1, double y1, double width) {
  TPart p;
  const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < W; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      const double t = std::clamp(((px - x0) * dx + (py - y0) * dy) / len2, 0.0, 1.0);
      const double qx = x0 + t * dx, qy = y0 + t * dy;
      const double side = (px - qx) / (width / 2);
      if ((px - qx) * (px - qx) + (py - qy) * (py - qy) <= width * width / 4) p.Cover(x, y, 0.60 - 0.32 * side);
    }
  return p;
}

// A trapezoid from row y0 (half-width w0) to row y1 (half-width w1) around column cx + shift
// that moves linearly to `shift1` at the bottom (a skirt swinging with the stride).
TPart Trapezoid(int y0, int y1, double w0, double w1, double cx, double shift1 = 0) {
  TPart p;
  for (int y = y0; y <= y1; ++y) {
    const double f = y1 == y0 ? 0 : double(y - y0) / (y1 - y0);
    const double hw = w0 + (w1 - w0) * f, c = cx + shift1 * f;
    for (int x = 0; x < W; ++x) {
      const double nx = (x + 0.5 - c) / hw;
      if (std::abs(nx) <= 1.0) p.Cover(x, y, 0.60 - 0.28 * nx - 0.10 * f);
    }
  }
  return p;
}

struct TPose {
  double FootL, FootR;  // x offsets of the feet
  double LiftL, LiftR;  // rows the feet are raised (the back foot of a stride)
  double HandL, HandR;  // x offsets of the hands (arms swing against the legs)
  double Bob;           // the body dips on a stride
};

TPose PoseFor(int step) {
  if (step == 1) return {0, 0, 0, 0, 0, 0, 0};
  const double s = step == 0 ? 1.0 : -1.0;  // which leg leads
  return {-3.5 * s, 3.5 * s, s > 0 ? 0.0 : 2.0, s > 0 ? 2.0 : 0.0, 3.0 * s, -3.0 * s, 1};
}

void PaintLegs(TIndexedImage& pic, const TFigureStyle& st, const TPose& p, bool front) {
  const double hipY = 44 + p.Bob;
  const double feet[2] = {Cx - 3 + p.FootL, Cx + 3 + p.FootR};
  const double lift[2] = {p.LiftL, p.LiftR};
  for (int i = 0; i < 2; ++i) {
    const double hipX = Cx + (i == 0 ? -3 : 3);
    const double ankleY = Feet - 3 - lift[i];
    if (!st.Robe) Limb(hipX, hipY, feet[i], ankleY, 5.2).Paint(pic, st.Legs);
    // The boot: toes toward the facing side in the front views.
    const double toe = front ? 1.5 : -0.5;
    Ellipse(feet[i] + toe, Feet - 1.6 - lift[i], 3.6, 2.6).Paint(pic, st.Boots);
  }
}

void PaintBody(TIndexedImage& pic, const TFigureStyle& st, const TPose& p) {
  const int top = static_cast<int>(28 + p.Bob);
  if (st.Robe) {
    Trapezoid(top + 12, Feet - 3, 7, 11, Cx, 0).Paint(pic, st.Top);
    // Trim along the hem.
    for (int x = Cx - 11; x <= Cx + 11; ++x)
      if (pic.At(x, Feet - 3)) pic.Set(x, Feet - 3, st.Belt.Shade(0.55 + 0.02 * (Cx - x)));
  }
  Trapezoid(top, top + 16, 8.5, 6.5, Cx).Paint(pic, st.Top);
  for (int x = Cx - 7; x <= Cx + 7; ++x) {
    pic.Set(x, top + 14, st.Belt.Shade(0.45 - 0.02 * (x - Cx)));
    pic.Set(x, top + 15, st.Belt.Shade(0.25));
  }
  pic.Set(Cx, top + 14, Ramps::Metal.At(6));  // buckle
}

void PaintArms(TIndexedImage& pic, const TFigureStyle& st, const TPose& p) {
  const double shoulderY = 30 + p.Bob;
  const double hands[2] = {Cx - 10 + p.HandL, Cx + 10 + p.HandR};
  for (int i = 0; i < 2; ++i) {
    const double sx = Cx + (i == 0 ? -8.5 : 8.5);
    Limb(sx, shoulderY, hands[i], 44 + p.Bob, 4.4).Paint(pic, st.Sleeves);
    Ellipse(hands[i], 45.5 + p.Bob, 2.2, 2.2).Paint(pic, st.Skin);
  }
}

void PaintFace(TIndexedImage& pic, const TFigureStyle& st, double hx, double hy) {
  const int ex = static_cast<int>(hx), ey = static_cast<int>(hy + 1);
  pic.Set(ex - 1, ey, st.Eye);
  pic.Set(ex + 3, ey, st.Eye);
  pic.Set(ex - 1, ey - 1, st.Skin.At(1));  // brows
  pic.Set(ex + 3, ey - 1, st.Skin.At(1));
  pic.Set(ex + 1, ey + 2, st.Skin.At(2));  // nose
  pic.Set(ex + 1, ey + 4, Ramps::Accent.At(2));
  pic.Set(ex + 2, ey + 4, Ramps::Accent.At(2));
}

void PaintHead(TIndexedImage& pic, const TFigureStyle& st, const TPose& p, bool front) {
  const double hx = Cx + (front ? 1.0 : 0.0), hy = 19 + p.Bob;
  Limb(Cx, 25 + p.Bob, Cx, 29 + p.Bob, 4.5).Paint(pic, st.Skin, false);  // neck
  if (st.Hood) {
    Ellipse(hx - 0.5, hy - 0.5, 8.5, 9.0).Paint(pic, st.Headgear);
    if (front) {
      Ellipse(hx + 1.5, hy + 1.5, 5.0, 6.0).Paint(pic, st.Skin);
      PaintFace(pic, st, hx + 0.5, hy);
    }
    return;
  }
  Ellipse(hx, hy, 6.6, 7.6).Paint(pic, st.Skin);
  if (st.Helmet) {
    TPart helm = Ellipse(hx, hy - 1, 7.6, 8.0);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < W; ++x)
        if (front && y > hy - 2 && x > hx - 5 && x < hx + 7) helm.Mask.Set(x, y, 0);  // open face
    helm.Paint(pic, st.Headgear);
    for (int x = static_cast<int>(hx - 7); x <= hx + 7; ++x) pic.Set(x, static_cast<int>(hy - 2), st.Headgear.At(1));
  } else if (!st.Bald) {
    TPart hair = Ellipse(hx - 0.5, hy - 1.5, 7.2, 7.4);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < W; ++x) {
        const bool face = front ? (y >= hy - 3 && x >= hx - 4) : (y >= hy + 5);
        if (face) hair.Mask.Set(x, y, 0);
      }
    hair.Paint(pic, st.Hair);
  } else {
    pic.Set(static_cast<int>(hx - 2), static_cast<int>(hy - 5), st.Skin.At(7));  // shine on the scalp
  }
  if (front) PaintFace(pic, st, hx, hy);
}

// A dark outline round everything painted.
void Outline(TIndexedImage& pic) {
  TIndexedImage out = pic;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < W; ++x)
      if (!pic.At(x, y) && (pic.At(x - 1, y) || pic.At(x + 1, y) || pic.At(x, y - 1) || pic.At(x, y + 1)))
        out.Set(x, y, Colours::Outline);
  pic = out;
}

}  // namespace

TIndexedImage PaintFigure(const TFigureStyle& st, int facing, int step) {
  TIndexedImage pic(W, kH);
  const bool front = facing < 2;
  const TPose pose = PoseFor(step);
  if (st.Cape && front) Trapezoid(29, Feet - 6, 9, 12, Cx, 0).Paint(pic, st.Headgear);
  PaintLegs(pic, st, pose, front);
  PaintBody(pic, st, pose);
  PaintArms(pic, st, pose);
  if (st.Cape && !front) Trapezoid(28, Feet - 5, 9, 12, Cx, 0).Paint(pic, st.Headgear);
  PaintHead(pic, st, pose, front);
  Outline(pic);
  if (facing == 0 || facing == 2) {  // the left facings are mirror pictures
    TIndexedImage mirrored(W, kH);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < W; ++x) mirrored.Set(W - 1 - x, y, pic.At(x, y));
    return mirrored;
  }
  return pic;
}
