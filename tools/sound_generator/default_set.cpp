#include "sound_generator/default_set.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "catalogue/catalogue.h"
#include "sound_generator/chime.h"
#include "sound_generator/click.h"
#include "sound_generator/finishing.h"
#include "sound_generator/loop_texture.h"
#include "sound_generator/swish.h"

// What each sound is meant to evoke is written up in sound_design.md; keep
// the two in step when tuning.

namespace {

// The family's notes: D major pentatonic, so any two sounds that overlap
// are consonant.
constexpr double kD5 = 587.33;
constexpr double kE5 = 659.26;
constexpr double kFs5 = 739.99;
constexpr double kA5 = 880.00;
constexpr double kB5 = 987.77;
constexpr double kD6 = 1174.66;
constexpr double kE6 = 1318.51;
constexpr double kFs6 = 1479.98;
constexpr double kA6 = 1760.00;
constexpr double kB6 = 1975.53;
constexpr double kD7 = 2349.32;
constexpr double kA4 = 440.00;
constexpr double kB4 = 493.88;
constexpr double kB3 = 246.94;
constexpr double kD4 = 293.66;
constexpr double kE4 = 329.63;

constexpr double kWood = 2.76;
constexpr double kGlass = 2.0;

using Render = std::function<TonnixSignal(TonnixNoiseSource&)>;

struct Recipe {
  Render render;
  double peakDecibels;
};

using RecipeTable = std::unordered_map<TonnixSoundID, Recipe>;

Render click(const TonnixClickRecipe& recipe) {
  return [recipe](TonnixNoiseSource& noise) { return renderClick(recipe, noise); };
}

Render swish(const TonnixSwishRecipe& recipe) {
  return [recipe](TonnixNoiseSource& noise) { return renderSwish(recipe, noise); };
}

Render chime(std::vector<TonnixChimeNote> notes, double durationSeconds) {
  return [notes = std::move(notes), durationSeconds](TonnixNoiseSource&) {
    return renderChime(notes, durationSeconds);
  };
}

Render loop(const TonnixLoopRecipe& recipe) {
  return [recipe](TonnixNoiseSource& noise) { return renderLoop(recipe, noise); };
}

struct Layer {
  Render render;
  double gain = 1.0;
  double startSeconds = 0.0;
};

// Several gestures mixed into one sound, each from its own start time.
Render layered(std::vector<Layer> layers) {
  return [layers = std::move(layers)](TonnixNoiseSource& noise) {
    TonnixSignal sound;
    for (const Layer& layer : layers) {
      mixInto(sound, layer.render(noise), layer.gain, samplesIn(layer.startSeconds));
    }
    return sound;
  };
}

void add(RecipeTable& table, std::string_view code, double peakDecibels, Render render) {
  table.emplace(*TonnixSoundID::fromText(code), Recipe{std::move(render), peakDecibels});
}

// The character of one kind of control; its four sounds are variations.
struct ControlTimbre {
  double pitchHz;
  double overtoneRatio;
  double brightnessHz;
  double decaySeconds;
  double noiseGain;
  double peakDecibels;  // of the press; the others are set against it
};

// Press: the lowest, dullest and longest of the four, sagging a little.
// Release: a fifth higher, brighter and shorter. Enter and exit: faint
// ticks an octave up, exit a tone below enter.
TonnixClickRecipe controlClick(const ControlTimbre& timbre, char role) {
  TonnixClickRecipe recipe{.pitchHz = timbre.pitchHz,
                           .overtoneRatio = timbre.overtoneRatio,
                           .decaySeconds = timbre.decaySeconds,
                           .brightnessHz = timbre.brightnessHz,
                           .noiseGain = timbre.noiseGain,
                           .glide = 0.97,
                           .durationSeconds = 0.07};
  if (role == 'r') {
    recipe.pitchHz *= 1.5;
    recipe.brightnessHz *= 1.7;
    recipe.decaySeconds *= 0.7;
    recipe.glide = 1.02;
    recipe.durationSeconds = 0.05;
  } else if (role == 'e' || role == 'x') {
    recipe.pitchHz *= role == 'e' ? 2.0 : 1.78;
    recipe.brightnessHz *= 1.2;
    recipe.decaySeconds = 0.004;
    recipe.noiseGain *= 1.5;
    recipe.glide = role == 'e' ? 1.03 : 0.97;
    recipe.durationSeconds = 0.025;
  }
  return recipe;
}

double controlPeak(const ControlTimbre& timbre, char role) {
  switch (role) {
    case 'r':
      return timbre.peakDecibels + 1.0;
    case 'e':
      return timbre.peakDecibels - 14.0;
    case 'x':
      return timbre.peakDecibels - 16.0;
    default:
      return timbre.peakDecibels;
  }
}

// Adds the sounds `stem` + role for each role letter: press, enter, exit,
// release ("btn" gives btnp, btne, btnx and btnr).
void addControl(RecipeTable& table, std::string_view stem, const ControlTimbre& timbre,
                std::string_view roles = "pexr") {
  for (char role : roles) {
    add(table, std::string(stem) + role, controlPeak(timbre, role),
        click(controlClick(timbre, role)));
  }
}

TonnixClickRecipe thump(double pitchHz, double durationSeconds) {
  return {.pitchHz = pitchHz,
          .overtoneRatio = 1.5,
          .overtoneGain = 0.3,
          .decaySeconds = 0.022,
          .brightnessHz = 1500.0,
          .noiseGain = 0.5,
          .glide = 0.85,
          .durationSeconds = durationSeconds};
}

TonnixClickRecipe tick(double pitchHz, double brightnessHz, double durationSeconds) {
  return {.pitchHz = pitchHz,
          .overtoneRatio = kWood,
          .decaySeconds = 0.004,
          .brightnessHz = brightnessHz,
          .noiseGain = 0.5,
          .durationSeconds = durationSeconds};
}

TonnixChimeNote blip(double startHz, double endHz, double decaySeconds) {
  return {.hz = startHz, .decaySeconds = decaySeconds, .shimmer = 0.2, .glide = endHz / startHz};
}

void addControls(RecipeTable& table) {
  addControl(table, "btn", {kE5, kWood, 3200.0, 0.014, 0.35, -9.0});
  addControl(table, "dbt", {kD5, kWood, 3000.0, 0.018, 0.30, -8.0});
  addControl(table, "cbt", {kFs5, kWood, 3200.0, 0.012, 0.35, -10.0});
  addControl(table, "chk", {kA5, kWood, 4000.0, 0.010, 0.40, -10.0});
  addControl(table, "rad", {kB5, kGlass, 3600.0, 0.010, 0.25, -10.0});
  addControl(table, "sba", {kD6, kWood, 4200.0, 0.008, 0.35, -12.0});
  addControl(table, "bev", {kB4, kWood, 2600.0, 0.016, 0.40, -9.0});
  addControl(table, "lau", {kE6, kWood, 4500.0, 0.007, 0.35, -13.0}, "pr");
  addControl(table, "lad", {kD6, kWood, 4500.0, 0.007, 0.35, -13.0}, "pr");
  addControl(table, "lar", {kE6, kWood, 4500.0, 0.007, 0.35, -13.0}, "ex");
  addControl(table, "pop", {kFs5, kGlass, 3400.0, 0.013, 0.30, -10.0});
  addControl(table, "dsc", {kA5, kGlass, 3800.0, 0.009, 0.30, -12.0});
  addControl(table, "tab", {kA4, kWood, 2400.0, 0.012, 0.60, -10.0});
  addControl(table, "wcl", {kD5, kGlass, 3000.0, 0.012, 0.30, -10.0});
  addControl(table, "wzm", {kE5, kGlass, 3200.0, 0.012, 0.30, -10.0});
  addControl(table, "wco", {kFs5, kGlass, 3400.0, 0.012, 0.30, -10.0});
  addControl(table, "ucl", {kA5, kGlass, 3600.0, 0.009, 0.30, -12.0});
  addControl(table, "uzm", {kB5, kGlass, 3800.0, 0.009, 0.30, -12.0});
  addControl(table, "uco", {kD6, kGlass, 4000.0, 0.009, 0.30, -12.0});

  add(table, "sbte", -11.0, click(thump(kD4, 0.09)));
  add(table, "slte", -11.0, click(thump(kE4, 0.09)));
  add(table, "sbtp", -12.0,
      click({.pitchHz = kB4,
             .decaySeconds = 0.012,
             .brightnessHz = 2400.0,
             .noiseGain = 0.5,
             .durationSeconds = 0.06}));
  add(table, "sltp", -12.0,
      click({.pitchHz = kD5,
             .decaySeconds = 0.012,
             .brightnessHz = 2600.0,
             .noiseGain = 0.5,
             .durationSeconds = 0.06}));
  add(table, "fdrp", -10.0,
      layered({{chime({blip(kD6, kA5, 0.03)}, 0.12)}, {click(thump(kD4, 0.08)), 0.6, 0.01}}));
}

void addMenus(RecipeTable& table) {
  add(table, "mnuo", -15.0,
      layered({{swish({.startHz = 1800.0,
                       .endHz = 4200.0,
                       .durationSeconds = 0.07,
                       .peakAt = 0.35,
                       .q = 1.5})},
               {click(tick(kA6, 5000.0, 0.03)), 0.6}}));
  add(table, "mnuc", -16.0,
      layered({{swish({.startHz = 4200.0,
                       .endHz = 1800.0,
                       .durationSeconds = 0.06,
                       .peakAt = 0.3,
                       .q = 1.5})},
               {click(tick(kFs6, 5000.0, 0.03)), 0.6, 0.035}}));
  add(table, "mnui", -26.0,
      click({.pitchHz = kD7,
             .overtoneRatio = kGlass,
             .decaySeconds = 0.003,
             .brightnessHz = 6000.0,
             .noiseGain = 0.5,
             .durationSeconds = 0.02}));
  add(table, "mnus", -14.0,
      layered({{chime({{.hz = kA6, .decaySeconds = 0.03, .shimmer = 0.5}}, 0.1)},
               {click(tick(kA6, 5000.0, 0.03)), 0.5}}));
}

// An opening and a closing swish over the same band.
void addWindowPair(RecipeTable& table, std::string_view open, std::string_view close, double lowHz,
                   double highHz, double seconds, double peakDecibels) {
  add(table, open, peakDecibels,
      swish({.startHz = lowHz, .endHz = highHz, .durationSeconds = seconds, .peakAt = 0.6}));
  add(table, close, peakDecibels - 1.0,
      swish({.startHz = highHz, .endHz = lowHz, .durationSeconds = seconds * 0.9, .peakAt = 0.35}));
}

// Collapsing rolls the window up like a shade: a fluttering swish.
void addShadePair(RecipeTable& table, std::string_view up, std::string_view down, double lowHz,
                  double highHz, double seconds, int flutter, double peakDecibels) {
  add(table, up, peakDecibels,
      swish({.startHz = lowHz,
             .endHz = highHz,
             .durationSeconds = seconds,
             .peakAt = 0.55,
             .q = 1.4,
             .flutterCycles = flutter,
             .flutterDepth = 0.5}));
  add(table, down, peakDecibels,
      swish({.startHz = highHz,
             .endHz = lowHz,
             .durationSeconds = seconds,
             .peakAt = 0.45,
             .q = 1.4,
             .flutterCycles = flutter,
             .flutterDepth = 0.5}));
}

void addWindows(RecipeTable& table) {
  addWindowPair(table, "wopn", "wcls", 600.0, 2400.0, 0.22, -9.0);
  addWindowPair(table, "uopn", "ucls", 900.0, 3200.0, 0.15, -11.0);
  addWindowPair(table, "pwop", "pwcl", 1200.0, 3000.0, 0.12, -12.0);
  // Zooming out grows the window to its full size; zooming in shrinks it.
  addWindowPair(table, "wzmo", "wzmi", 500.0, 2800.0, 0.26, -9.0);
  addWindowPair(table, "uzmo", "uzmi", 800.0, 3600.0, 0.18, -11.0);
  addShadePair(table, "wcol", "wexp", 400.0, 2200.0, 0.22, 7, -10.0);
  addShadePair(table, "ucol", "uexp", 700.0, 3000.0, 0.16, 5, -12.0);

  add(table, "dopn", -9.0,
      layered({{swish({.startHz = 500.0, .endHz = 2000.0, .durationSeconds = 0.24, .peakAt = 0.6})},
               {chime({blip(kD5, kA5, 0.08)}, 0.2), 0.25, 0.06}}));
  add(table, "dlgc", -10.0,
      layered(
          {{swish({.startHz = 2000.0, .endHz = 500.0, .durationSeconds = 0.22, .peakAt = 0.35})},
           {chime({blip(kA5, kD5, 0.08)}, 0.2), 0.25}}));
  add(table, "aopn", -7.0,
      layered(
          {{swish({.startHz = 1000.0, .endHz = 4200.0, .durationSeconds = 0.22, .peakAt = 0.55})},
           {chime({{.startSeconds = 0.08, .hz = kE6, .gain = 0.5, .decaySeconds = 0.12},
                   {.startSeconds = 0.13, .hz = kB6, .gain = 0.35, .decaySeconds = 0.12}},
                  0.6)}}));
  add(table, "altc", -9.0,
      layered(
          {{swish({.startHz = 4200.0, .endHz = 1000.0, .durationSeconds = 0.2, .peakAt = 0.35})},
           {chime({{.hz = kE6, .gain = 0.35, .decaySeconds = 0.08},
                   {.startSeconds = 0.06, .hz = kB5, .gain = 0.3, .decaySeconds = 0.1}},
                  0.4)}}));
  add(table, "blno", -16.0,
      layered({{chime({blip(kFs5, kFs6, 0.04)}, 0.12)},
               {swish({.startHz = 2000.0, .endHz = 4000.0, .durationSeconds = 0.08}), 0.3}}));
  add(table, "blnc", -17.0,
      layered({{chime({blip(kFs6, kFs5, 0.04)}, 0.12)},
               {swish({.startHz = 4000.0, .endHz = 2000.0, .durationSeconds = 0.08}), 0.3}}));

  add(table, "wact", -22.0,
      click({.pitchHz = kA5,
             .overtoneRatio = kGlass,
             .decaySeconds = 0.006,
             .brightnessHz = 2400.0,
             .noiseGain = 0.1,
             .durationSeconds = 0.04}));
  add(table, "uact", -24.0,
      click({.pitchHz = kD6,
             .overtoneRatio = kGlass,
             .decaySeconds = 0.006,
             .brightnessHz = 2800.0,
             .noiseGain = 0.1,
             .durationSeconds = 0.04}));
  add(table, "wdbd", -11.0, click(thump(kB3, 0.1)));
  add(table, "udbd", -13.0, click(thump(kD4, 0.08)));

  add(table, "dthi", -16.0, chime({blip(kA5, kE6, 0.05)}, 0.12));
  add(table, "dtuh", -18.0, chime({blip(kE6, kA5, 0.05)}, 0.12));
  add(table, "dtdr", -10.0,
      layered({{click(thump(kD4, 0.08)), 0.7},
               {chime({{.hz = kA5, .gain = 0.8, .decaySeconds = 0.1},
                       {.startSeconds = 0.07, .hz = kD6, .decaySeconds = 0.14}},
                      0.35)}}));
  add(table, "dtBE", -16.0,
      layered({{chime({blip(kE5, kB5, 0.03)}, 0.08)}, {click(tick(kB5, 3000.0, 0.03)), 0.4}}));

  add(table, "!mdo", -14.0,
      click({.pitchHz = kD6,
             .decaySeconds = 0.006,
             .brightnessHz = 4000.0,
             .noiseGain = 0.4,
             .durationSeconds = 0.035}));
  add(table, "!kdo", -20.0, click(tick(kFs6, 5000.0, 0.03)));
  add(table, "!kmd", -23.0, click(tick(kB5, 3500.0, 0.03)));

  add(table, "@aph", -10.0,
      layered({{swish({.startHz = 2400.0, .endHz = 700.0, .durationSeconds = 0.22, .peakAt = 0.35}),
                0.6},
               {chime({{.startSeconds = 0.02, .hz = kB5, .decaySeconds = 0.08},
                       {.startSeconds = 0.1, .hz = kFs5, .decaySeconds = 0.12}},
                      0.45)}}));
  add(table, "@aps", -10.0,
      layered({{swish({.startHz = 700.0, .endHz = 2400.0, .durationSeconds = 0.22, .peakAt = 0.6}),
                0.6},
               {chime({{.startSeconds = 0.02, .hz = kFs5, .decaySeconds = 0.08},
                       {.startSeconds = 0.1, .hz = kB5, .decaySeconds = 0.12}},
                      0.45)}}));
  add(table, "!aqt", -8.0,
      chime({{.hz = kA5, .decaySeconds = 0.12},
             {.startSeconds = 0.12, .hz = kFs5, .decaySeconds = 0.14},
             {.startSeconds = 0.24, .hz = kD5, .decaySeconds = 0.25}},
            0.9));
}

void addFinder(RecipeTable& table) {
  add(table, "ftrs", -9.0,
      layered({{swish({.startHz = 3000.0,
                       .endHz = 500.0,
                       .durationSeconds = 0.35,
                       .peakAt = 0.25,
                       .q = 0.9,
                       .flutterCycles = 12,
                       .flutterDepth = 0.4})},
               {chime({{.hz = kA5, .gain = 0.7, .decaySeconds = 0.12},
                       {.startSeconds = 0.08, .hz = kD5, .decaySeconds = 0.2}},
                      0.45),
                0.8, 0.25}}));
  add(table, "fsel", -17.0, chime({{.hz = kB6, .decaySeconds = 0.03, .shimmer = 0.5}}, 0.12));
  add(table, "fnew", -11.0,
      chime({{.hz = kD6, .decaySeconds = 0.08},
             {.startSeconds = 0.07, .hz = kA6, .decaySeconds = 0.12}},
            0.4));
  add(table, "fcpd", -9.0,
      chime({{.hz = kD6, .decaySeconds = 0.18},
             {.startSeconds = 0.08, .hz = kFs6, .decaySeconds = 0.18},
             {.startSeconds = 0.16, .hz = kA6, .decaySeconds = 0.25}},
            0.8));
  add(table, "fral", -12.0,
      chime({{.hz = kE6, .decaySeconds = 0.07},
             {.startSeconds = 0.03, .hz = kB6, .gain = 0.7, .decaySeconds = 0.07}},
            0.3));
  add(table, "flap", -9.0,
      layered({{chime({{.hz = kD5, .gain = 0.5, .decaySeconds = 0.06},
                       {.startSeconds = 0.035, .hz = kE5, .gain = 0.6, .decaySeconds = 0.06},
                       {.startSeconds = 0.07, .hz = kFs5, .gain = 0.7, .decaySeconds = 0.06},
                       {.startSeconds = 0.105, .hz = kA5, .gain = 0.8, .decaySeconds = 0.06},
                       {.startSeconds = 0.14, .hz = kB5, .gain = 0.9, .decaySeconds = 0.08},
                       {.startSeconds = 0.175, .hz = kD6, .decaySeconds = 0.15}},
                      0.6)},
               {swish({.startHz = 800.0, .endHz = 3000.0, .durationSeconds = 0.25, .peakAt = 0.7}),
                0.4}}));
  add(table, "dski", -10.0,
      layered({{click(thump(kD4, 0.08)), 0.7},
               {chime({{.hz = kA5, .decaySeconds = 0.1},
                       {.startSeconds = 0.08, .hz = kD6, .decaySeconds = 0.12}},
                      0.47),
                1.0, 0.03}}));
  add(table, "dske", -10.0,
      layered({{swish({.startHz = 2500.0, .endHz = 800.0, .durationSeconds = 0.15, .peakAt = 0.3}),
                0.5},
               {chime({{.hz = kD6, .decaySeconds = 0.1},
                       {.startSeconds = 0.08, .hz = kA5, .decaySeconds = 0.12}},
                      0.5)}}));
  add(table, "fdon", -18.0, chime({blip(kE6, kE6 * 1.12, 0.03)}, 0.09));
  add(table, "fdof", -19.0, chime({blip(kD6, kD6 * 0.89, 0.03)}, 0.09));
  add(table, "!mot", -11.0,
      layered({{swish({.startHz = 2600.0, .endHz = 700.0, .durationSeconds = 0.16, .peakAt = 0.3})},
               {chime({{.hz = kD7, .decaySeconds = 0.05, .shimmer = 0.5}}, 0.2), 0.35, 0.12}}));
}

// A drag sound: a bed of air with slow swells.
TonnixLoopRecipe airLoop(std::vector<TonnixLoopBand> bands, int swells, double depth) {
  return {.bands = std::move(bands), .swellsPerLoop = swells, .swellDepth = depth};
}

// A drag sound with detents: soft ticks over a faint bed.
TonnixLoopRecipe detentLoop(double bedHz, int ticks, double pitchHz, double glide) {
  TonnixClickRecipe detent = tick(pitchHz, 5000.0, 0.02);
  detent.decaySeconds = 0.003;
  detent.glide = glide;
  return {.bands = {{.hz = bedHz, .q = 0.8, .gain = 0.3}},
          .ticksPerLoop = ticks,
          .tick = detent,
          .tickGain = 1.0};
}

void addLoops(RecipeTable& table) {
  add(table, "wmov", -18.0, loop(airLoop({{.hz = 700.0, .q = 0.7}}, 3, 0.3)));
  add(table, "wgro", -18.0,
      loop(airLoop({{.hz = 450.0, .q = 1.0}, {.hz = 1400.0, .q = 1.5, .gain = 0.3}}, 2, 0.4)));
  add(table, "umov", -20.0, loop(airLoop({{.hz = 1100.0, .q = 0.8}}, 4, 0.3)));
  add(table, "ugro", -20.0,
      loop(airLoop({{.hz = 800.0, .q = 1.0}, {.hz = 2200.0, .q = 1.5, .gain = 0.3}}, 3, 0.4)));
  add(table, "dmov", -19.0, loop(airLoop({{.hz = 600.0, .q = 0.8}}, 2, 0.3)));
  add(table, "amov", -18.0,
      loop(airLoop({{.hz = 1400.0, .q = 0.8}, {.hz = 3000.0, .q = 1.2, .gain = 0.3}}, 5, 0.3)));
  add(table, "imov", -21.0, loop(airLoop({{.hz = 1900.0, .q = 1.0}}, 6, 0.35)));
  add(table, "slth", -17.0, loop(detentLoop(2000.0, 10, kA6, 1.0)));
  add(table, "slgh", -23.0, loop(airLoop({{.hz = 2400.0, .q = 1.2}}, 2, 0.3)));
  add(table, "sbth", -18.0, loop(detentLoop(1500.0, 12, kFs6, 1.0)));
  add(table, "sbgh", -23.0, loop(airLoop({{.hz = 2000.0, .q = 1.2}}, 3, 0.3)));
  add(table, "sbad", -18.0, loop(detentLoop(1200.0, 8, kFs6, 0.8)));
  add(table, "sbai", -18.0, loop(detentLoop(1200.0, 8, kD6, 1.25)));
  add(table, "drag", -21.0,
      loop(airLoop({{.hz = 400.0, .q = 0.8}, {.hz = 1200.0, .q = 1.2, .gain = 0.25}}, 2, 0.25)));
}

const RecipeTable& recipes() {
  static const RecipeTable table = [] {
    RecipeTable made;
    addControls(made);
    addMenus(made);
    addWindows(made);
    addFinder(made);
    addLoops(made);
    return made;
  }();
  return table;
}

}  // namespace

const std::vector<const TonnixSetEntry*>& defaultSetEntries() {
  static const std::vector<const TonnixSetEntry*> entries = [] {
    std::vector<const TonnixSetEntry*> covered;
    std::unordered_set<TonnixSoundID> seen;
    for (const TonnixSetEntry& entry : allEntries()) {
      if (seen.insert(entry.soundID).second) covered.push_back(&entry);
    }
    return covered;
  }();
  return entries;
}

std::optional<std::vector<std::int16_t>> synthesizeSound(const TonnixSetEntry& entry) {
  const auto found = recipes().find(entry.soundID);
  if (found == recipes().end()) return std::nullopt;
  // Seeded by the identifier, so a sound does not change when others are
  // added, removed or reordered.
  TonnixNoiseSource noise(entry.soundID.rawValue);
  TonnixSignal signal = found->second.render(noise);
  if (entry.flags.contains(TonnixSoundFlags::loops)) {
    return finishLoop(std::move(signal), found->second.peakDecibels);
  }
  return finishOneShot(std::move(signal), found->second.peakDecibels);
}
