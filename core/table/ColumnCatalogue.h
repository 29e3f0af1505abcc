#pragma once
// The column catalogue: every column identifier (0..901) with its header text, and the five
// column sets that say which columns each kind of log shows, in which order.
//
// Header texts are kept under their string numbers (257..391) because the column sets name
// them by number: identifier 4 is "Frequency" (261) in the single-phase sets and
// "3 Phase Frequency" (304) in the three-phase ones. A text holding "%d" belongs to a
// harmonic family and is formatted with the harmonic number 2..50.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "QuantityColumns.h"
#include "Units.h"

constexpr int kFirstColumnTextId = 257;
constexpr int kLastColumnTextId = 391;

inline constexpr std::array<const char*, kLastColumnTextId - kFirstColumnTextId + 1> kColumnTexts =
    {{
        "Log Type",                             // 257
        "Time",                                 // 258
        "Ch1 Select",                           // 259
        "Ch2 Select",                           // 260
        "Frequency",                            // 261
        "Phase",                                // 262
        "Power Wide",                           // 263
        "Power Factor Wide",                    // 264
        "Volt Amps Wide",                       // 265
        "VARs Wide",                            // 266
        "Ch1 Mag Wide",                         // 267
        "Ch1 Mag Narrow",                       // 268
        "Ch1 THD",                              // 269
        "Power Narrow",                         // 270
        "Power Factor Narrow",                  // 271
        "Volt Amps Narrow",                     // 272
        "VARs Narrow",                          // 273
        "Ch2 Mag Wide",                         // 274
        "Ch2 Mag Narrow",                       // 275
        "Ch2 THD",                              // 276
        "Watt Hours",                           // 277
        "Volt Amp Hours",                       // 278
        "VAR Hours",                            // 279
        "Ch1 K-Factor",                         // 280
        "Ch1 Mag Fund",                         // 281
        "Ch1 Mag Harm %d",                      // 282
        "Ch1 Ph Fund",                          // 283
        "Ch1 Ph Harm %d",                       // 284
        "Ch2 K-Factor",                         // 285
        "Ch2 Mag Fund",                         // 286
        "Ch2 Mag Harm %d",                      // 287
        "Ch2 Ph Fund",                          // 288
        "Ch2 Ph Harm %d",                       // 289
        "3 Phase Direction",                    // 290
        "Average Phase",                        // 291
        "Average Volts Wide",                   // 292
        "Average Current Wide",                 // 293
        "Average Power Factor Wide",            // 294
        "Total Power Wide",                     // 295
        "Total Volt Amps Wide",                 // 296
        "Total VARs Wide",                      // 297
        "Average Volts Narrow",                 // 298
        "Average Current Narrow",               // 299
        "Average Power Factor Narrow",          // 300
        "Total Power Narrow",                   // 301
        "Total Volt Amps Narrow",               // 302
        "Total VARs Narrow",                    // 303
        "3 Phase Frequency",                    // 304
        "Phase A Phase Angle",                  // 305
        "Phase A Power Wide",                   // 306
        "Phase A Power Factor Wide",            // 307
        "Phase A Volt Amps Wide",               // 308
        "Phase A VARs Wide",                    // 309
        "Phase A Volts Wide",                   // 310
        "Phase A Current Wide",                 // 311
        "Phase A Volts THD",                    // 312
        "Phase A Power Narrow",                 // 313
        "Phase A Power Factor Narrow",          // 314
        "Phase A Volt Amps Narrow",             // 315
        "Phase A VARs Narrow",                  // 316
        "Phase A Volts Narrow",                 // 317
        "Phase A Current Narrow",               // 318
        "Phase A Current THD",                  // 319
        "Phase B Phase Angle",                  // 320
        "Phase B Power Wide",                   // 321
        "Phase B Power Factor Wide",            // 322
        "Phase B Volt Amps Wide",               // 323
        "Phase B VARs Wide",                    // 324
        "Phase B Volts Wide",                   // 325
        "Phase B Current Wide",                 // 326
        "Phase B Volts THD",                    // 327
        "Phase B Power Narrow",                 // 328
        "Phase B Power Factor Narrow",          // 329
        "Phase B Volt Amps Narrow",             // 330
        "Phase B VARs Narrow",                  // 331
        "Phase B Volts Narrow",                 // 332
        "Phase B Current Narrow",               // 333
        "Phase B Current THD",                  // 334
        "Phase C Phase Angle",                  // 335
        "Phase C Power Wide",                   // 336
        "Phase C Power Factor Wide",            // 337
        "Phase C Volt Amps Wide",               // 338
        "Phase C VARs Wide",                    // 339
        "Phase C Volts Wide",                   // 340
        "Phase C Current Wide",                 // 341
        "Phase C Volts THD",                    // 342
        "Phase C Power Narrow",                 // 343
        "Phase C Power Factor Narrow",          // 344
        "Phase C Volt Amps Narrow",             // 345
        "Phase C VARs Narrow",                  // 346
        "Phase C Volts Narrow",                 // 347
        "Phase C Current Narrow",               // 348
        "Phase C Current THD",                  // 349
        "Phase A Volts K-Factor",               // 350
        "Phase A Volts Fund",                   // 351
        "Phase A Volts Harm %d",                // 352
        "Phase A Volts Phase Angle Fund",       // 353
        "Phase A Volts Phase Angle Harm %d",    // 354
        "Phase A Current K-Factor",             // 355
        "Phase A Current Fund",                 // 356
        "Phase A Current Harm %d",              // 357
        "Phase A Current Phase Angle Fund",     // 358
        "Phase A Current Phase Angle Harm %d",  // 359
        "Phase B Volts K-Factor",               // 360
        "Phase B Volts Fund",                   // 361
        "Phase B Volts Harm %d",                // 362
        "Phase B Volts Phase Angle Fund",       // 363
        "Phase B Volts Phase Angle Harm %d",    // 364
        "Phase B Current K-Factor",             // 365
        "Phase B Current Fund",                 // 366
        "Phase B Current Harm %d",              // 367
        "Phase B Current Phase Angle Fund",     // 368
        "Phase B Current Phase Angle Harm %d",  // 369
        "Phase C Volts K-Factor",               // 370
        "Phase C Volts Fund",                   // 371
        "Phase C Volts Harm %d",                // 372
        "Phase C Volts Phase Angle Fund",       // 373
        "Phase C Volts Phase Angle Harm %d",    // 374
        "Phase C Current K-Factor",             // 375
        "Phase C Current Fund",                 // 376
        "Phase C Current Harm %d",              // 377
        "Phase C Current Phase Angle Fund",     // 378
        "Phase C Current Phase Angle Harm %d",  // 379
        "Phase A Volts",                        // 380
        "Phase A Volts Phase",                  // 381
        "Phase A Current",                      // 382
        "Phase A Current Phase",                // 383
        "Phase B Volts",                        // 384
        "Phase B Volts Phase",                  // 385
        "Phase B Current",                      // 386
        "Phase B Current Phase",                // 387
        "Phase C Volts",                        // 388
        "Phase C Volts Phase",                  // 389
        "Phase C Current",                      // 390
        "Phase C Current Phase",                // 391
    }};

// One pair of a column set. A pair whose identifier starts a harmonic family stands for the
// 49 columns start + 0 .. start + 48 (harmonics 2 to 50); every other pair is one column.
struct ColumnSetPair {
  int16_t id;      // column identifier
  int16_t textId;  // string number of its header text
};

// Log type 1: identifiers 0 to 22.
inline constexpr std::array<ColumnSetPair, 23> kStandardColumnSet = {{
    {0, 257},  {1, 258},  {2, 259},  {3, 260},  {4, 261},  {5, 262},  {6, 263},  {7, 264},
    {8, 265},  {9, 266},  {10, 267}, {11, 268}, {12, 269}, {13, 270}, {14, 271}, {15, 272},
    {16, 273}, {17, 274}, {18, 275}, {19, 276}, {20, 277}, {21, 278}, {22, 279},
}};

// Log types 2 and 3: identifiers 0 to 224.
inline constexpr std::array<ColumnSetPair, 33> kHarmonicColumnSet = {{
    {0, 257},   {1, 258},   {2, 259},   {3, 260},   {4, 261},   {5, 262},  {6, 263},
    {7, 264},   {8, 265},   {9, 266},   {10, 267},  {11, 268},  {12, 269}, {13, 270},
    {14, 271},  {15, 272},  {16, 273},  {17, 274},  {18, 275},  {19, 276}, {20, 277},
    {21, 278},  {22, 279},  {23, 280},  {24, 281},  {25, 282},  {74, 283}, {75, 284},
    {124, 285}, {125, 286}, {126, 287}, {175, 288}, {176, 289},
}};

// Log type 6, log type 5 read without the vector layout, and a first record of no known type.
// Phases A and C show Volts Wide and Current Narrow, phase B Volts Wide and Volts Narrow.
inline constexpr std::array<ColumnSetPair, 59> kThreePhaseColumnSet = {{
    {0, 257},   {1, 258},   {20, 277},  {21, 278},  {22, 279},  {225, 290}, {226, 291}, {227, 292},
    {228, 293}, {229, 294}, {230, 295}, {231, 296}, {232, 297}, {233, 298}, {234, 299}, {235, 300},
    {236, 301}, {237, 302}, {238, 303}, {4, 304},   {239, 305}, {240, 306}, {241, 307}, {242, 308},
    {243, 309}, {244, 310}, {246, 312}, {247, 313}, {248, 314}, {249, 315}, {250, 316}, {252, 318},
    {253, 319}, {254, 320}, {255, 321}, {256, 322}, {257, 323}, {258, 324}, {259, 325}, {261, 327},
    {262, 328}, {263, 329}, {264, 330}, {265, 331}, {266, 332}, {268, 334}, {269, 335}, {270, 336},
    {271, 337}, {272, 338}, {273, 339}, {274, 340}, {276, 342}, {277, 343}, {278, 344}, {279, 345},
    {280, 346}, {282, 348}, {283, 349},
}};

// The six harmonic blocks of log type 4 (A Volts, A Current, B Volts, B Current, C Volts,
// C Current): K-Factor, Fund, Harm family, Phase Angle Fund, Phase Angle Harm family.
inline constexpr std::array<ColumnSetPair, 30> kThreePhaseHarmonicBlocks = {{
    {284, 350}, {285, 351}, {286, 352}, {335, 353}, {336, 354}, {385, 355}, {386, 356}, {387, 357},
    {436, 358}, {437, 359}, {486, 360}, {487, 361}, {488, 362}, {537, 363}, {538, 364}, {587, 365},
    {588, 366}, {589, 367}, {638, 368}, {639, 369}, {688, 370}, {689, 371}, {690, 372}, {739, 373},
    {740, 374}, {789, 375}, {790, 376}, {791, 377}, {840, 378}, {841, 379},
}};

// Log type 4: the three-phase columns, then the six harmonic blocks.
inline constexpr auto kThreePhaseHarmonicColumnSet = [] {
  std::array<ColumnSetPair, kThreePhaseColumnSet.size() + kThreePhaseHarmonicBlocks.size()> set{};
  size_t i = 0;
  for (const ColumnSetPair& pair : kThreePhaseColumnSet) set[i++] = pair;
  for (const ColumnSetPair& pair : kThreePhaseHarmonicBlocks) set[i++] = pair;
  return set;
}();
static_assert(kThreePhaseHarmonicColumnSet.size() == 89);

// Log type 5 in data format 256.
inline constexpr std::array<ColumnSetPair, 18> kVectorColumnSet = {{
    {0, 257},
    {1, 258},
    {20, 277},
    {21, 278},
    {22, 279},
    {225, 290},
    {890, 380},
    {891, 381},
    {892, 382},
    {893, 383},
    {894, 384},
    {895, 385},
    {896, 386},
    {897, 387},
    {898, 388},
    {899, 389},
    {900, 390},
    {901, 391},
}};

enum class ColumnSetKind { kStandard, kHarmonic, kThreePhase, kThreePhaseHarmonic, kVector };

// Log type 1 -> Standard; 2, 3 -> Harmonic; 4 -> Three-phase harmonic; 5 with data format 256
// -> Vector; anything else (5 otherwise, 6, no type) -> Three-phase.
ColumnSetKind ChooseColumnSet(int logType, uint32_t dataFormat);
std::span<const ColumnSetPair> ColumnSetPairs(ColumnSetKind kind);

constexpr int kHarmonicFamilySize = kLastHarmonic - kFirstHarmonic + 1;
// True for the 16 identifiers that start a harmonic family (25, 75, 126, ..., 841).
bool StartsHarmonicFamily(int columnId);

// The header text with string number `textId`, "%d" still in it; nullptr for an unknown number.
const char* ColumnTextFormat(int textId);
// The catalogue's string number of an identifier (4 gives 261), or 0 outside 0..901.
int ColumnTextId(int columnId);
// The harmonic number 2..50 an identifier's title is formatted with, or 0 when it has none.
int ColumnHarmonicNumber(int columnId);

// Writes the text `textId` into `title`, "%d" replaced by `number`.
void FormatColumnTitle(std::string& title, int textId, int number);
// The catalogue title of an identifier ("Frequency" for 4); empty outside 0..901.
std::string ColumnTitle(int columnId);
