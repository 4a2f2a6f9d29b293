#pragma once
// The instrument's single-valued settings, one row each, in the order of the settings command
// file. This is the one place a setting is described: the model's accessors and change keys are
// generated from the first four columns (model/instrument.h, model/setting_id.h), the settings
// table (model/settings_table.h) from the whole row, and from that table the reply decoder, the
// settings write, the settings command file, the settings CSV and the windows' captions.
//
// X(Type, Prop, Default, Life, (Code, Field, ReadIndex, Read, Write, File, AfterWrite,
//                               WriteRank, Low, High, What, Caption, CsvColumn, CsvText,
//                               SimKey))
//   Type, Prop    the value's type; the getter Prop() and the setter setProp(); Prop is also
//                 the key of its change flag (SettingId::Prop), which the setter marks
//   Default       the value of a new model and, when Life resets it, after ClearDatas
//   Life          Reset: ClearDatas resets it, SetChangeFlags marks it; Kept: ClearDatas keeps
//                 it, SetChangeFlags marks it; Factory: both leave it; OnChange: as Reset, but
//                 the setter marks the flag only when the value changes
//   Code, Field   the two-letter command and the value's place in its list (from 1)
//   ReadIndex     the command's place in the read-all's table (a free place for a new one)
//   Read          how a read answer carries it: Dec, Hex, Hex32, Bit (numbers), Text (trimmed),
//                 TypeCode (one of "0", "1", "2")
//   Write         the write request's form: Dec, Hex4, Bit, Text10, Raw; None: never written
//                 by the settings write. A Bit write of a Dec read is echoed as the bit's text.
//   File          the settings command file's form: Dec, Bit (written 1/0, read as decimal),
//                 Hex4 (read as 16 bits), Hex4Of32 (written as four digits, read as 32 bits),
//                 Text10 (cut or padded to ten, read trimmed), Raw
//   AfterWrite    Clear: a confirmed write clears the flag; Keep: the flag stays until the
//                 setting is read again
//   WriteRank     the order of the settings write: below 100 before the level lists, from 100
//                 after them; 0 for settings it never writes
//   Low, High     the range the windows and a loaded file may give (XP: a list, see rules)
//   What          the setting named in a refusal ("LCD backlight time 0 is not between ...")
//   Caption       message id of the caption windows and the settings CSV show
//   CsvColumn     its column in the settings CSV (0 when it has none)
//   CsvText       how the CSV and the review lists show the value: Number, OnOff, a list of
//                 texts ("Auto|LEL|vol"), a list of message ids (Ids, with the ids), Pattern
//                 (message 8006 for 1, else 8005), TypeIds (SpecType's text as a number)
//   SimKey        the virtual instrument's state-file key

#include <cstdint>
#include <string>

// clang-format off
#define VQ_SETTINGS(X)                                                                             \
    X(std::string, SpecNo, "", Kept,                                                \
      ("BS", 1, 49, Text, Text10, Text10, Clear, 1, 0, 10, "type number", 8042, 0,                     \
       Number(), "spec_no"))                                                                       \
    X(int16_t, HcMode, 0, Reset,                                                    \
      ("LP", 1, 42, Dec, Dec, Dec, Keep, 10, 0, 2, "HC mode", 8036, 17,                                \
       Texts("Auto|LEL|vol"), "settings.hc_mode"))                                                          \
    X(int16_t, AlarmMode, 0, Reset,                                              \
      ("AP", 1, 7, Dec, Dec, Dec, Clear, 11, 0, 1, "alarm pattern", 8004, 10,                         \
       Pattern(8005, 8006), "settings.alarm_mode"))                                                         \
    X(int16_t, DispCalLimit, 0, Reset,                                        \
      ("SD", 1, 10, Dec, Bit, Bit, Clear, 12, 0, 1, "calibration limit display", 8010, 12,             \
       OnOff(), "settings.disp_cal_limit"))                                                                 \
    X(int16_t, CalCheck, 0, Reset,                                                \
      ("SM", 1, 11, Dec, Dec, Dec, Clear, 13, 0, 2, "calibration limit check", 8011, 13,               \
       Ids(8012, 8013, 8014), "settings.cal_check"))                                                        \
    X(int16_t, Confirmation, 0, Kept,                                         \
      ("XB", 1, 15, Hex, Dec, Dec, Clear, 14, 0, 1, "confirmation beep", 8044, 335,                    \
       OnOff(), "settings.confirmation"))                                                                   \
    X(int16_t, LogOverWrite, 0, Reset,                                        \
      ("XW", 1, 16, Dec, Dec, Dec, Clear, 15, 0, 1, "logger overwrite", 8009, 15,                      \
       OnOff(), "settings.log_overwrite"))                                                                  \
    X(int16_t, LcdBackLight, 1, Reset,                                        \
      ("XT", 1, 17, Hex, Hex4, Hex4, Clear, 16, 1, 255, "LCD backlight time", 8023, 19,                \
       Number(), "settings.lcd_backlight"))                                                                 \
    X(int16_t, autoBackLight, 1, Reset,                                      \
      ("UQ", 1, 45, Dec, Dec, Dec, Clear, 17, 0, 1, "auto backlight", 8027, 22,                        \
       OnOff(), "settings.auto_backlight"))                                                                 \
    X(int16_t, BumpTime, 2, Reset,                                                \
      ("BU", 1, 46, Dec, Dec, Dec, Keep, 19, 0, 3, "bump test time", 8029, 27,                         \
       Texts("30|45|60|90"), "settings.bump_time"))                                                         \
    X(int16_t, BumpThreshold, 1, Reset,                                      \
      ("BU", 2, 46, Dec, Dec, Dec, Keep, 19, 0, 4, "bump test threshold", 8030, 28,                    \
       Texts("10|20|30|40|50"), "settings.bump_threshold"))                                                 \
    X(int16_t, BumpFailCalTime, 0, Reset,                                  \
      ("BU", 3, 46, Dec, Dec, Dec, Keep, 19, 0, 2, "calibration time after a failed bump test",        \
       8032, 29, Texts("60|90|120"), "settings.bump_fail_cal_time"))                                        \
    X(int16_t, BumpFailAfter, 1, Reset,                                      \
      ("BU", 4, 46, Dec, Dec, Dec, Keep, 19, 0, 1, "calibration after a failed bump test", 8031, 30,   \
       OnOff(), "settings.bump_fail_after"))                                                                \
    X(int16_t, LcBhMode, 0, Reset,                                                \
      ("WB", 1, 47, Dec, Dec, Dec, Keep, 20, 0, 3, "LC/BH mode", 8033, 31,                             \
       Texts("OFF|LC|BH|LC BH"), "settings.lc_bh_mode"))                                                    \
    X(int16_t, BhTime, 0, Reset,                                                    \
      ("WB", 2, 47, Dec, Dec, Dec, Keep, 20, 0, 2, "bar hole measure time", 8034, 32,                  \
       Texts("30|45|60"), "settings.bh_time"))                                                              \
    X(int16_t, LcBuzzer, 0, Reset,                                                \
      ("WB", 3, 47, Dec, Dec, Dec, Keep, 20, 0, 1, "leak check buzzer", 8035, 33,                      \
       OnOff(), "settings.lc_buzzer"))                                                                      \
    X(int16_t, AlarmOnOff, 1, Reset,                                            \
      ("AF", 1, 48, Dec, Dec, Dec, Keep, 21, 0, 1, "alarm function", 8037, 25,                         \
       OnOff(), "settings.alarm_on_off"))                                                                   \
    X(int32_t, FlowLevel, 0, Factory,                                            \
      ("CP", 1, 43, Hex32, None, Hex4Of32, Clear, 0, INT32_MIN, INT32_MAX, "minimum flow", 8026, 23,   \
       Number(), "settings.flow_level"))                                                                    \
    X(int16_t, pressOffset, 0, Factory,                                        \
      ("HF", 1, 19, Hex, None, Hex4, Clear, 0, INT16_MIN, INT16_MAX, "pressure sensor offset", 8043,   \
       24, Number(), "settings.press_offset"))                                                              \
    X(int16_t, StelTwaOnOff, 1, Reset,                                        \
      ("AM", 1, 44, Dec, Dec, Dec, Keep, 18, 0, 1, "STEL/TWA function", 8028, 26,                      \
       OnOff(), "settings.stel_twa_on_off"))                                                                \
    X(int16_t, AlarmO2, 1, Reset,                                                  \
      ("AT", 1, 30, Dec, Dec, Dec, Clear, 22, 0, 2, "oxygen alarm type", 8022, 18,                     \
       Texts("H-L|L-LL|H-HH"), "settings.alarm_o2"))                                                        \
    X(int16_t, CalLimit, 1, Reset,                                                \
      ("SC", 1, 12, Hex, Hex4, Hex4, Clear, 100, 1, 365, "calibration time limit", 5655, 11,           \
       Number(), "settings.cal_limit"))                                                                     \
    X(int16_t, Intervals, 0, OnChange,                                            \
      ("XP", 1, 8, Hex, Hex4, Hex4, Clear, 101, 10, 600, "logging interval", 5223, 14,                \
       Number(), "settings.intervals"))                                                                     \
    X(std::string, SpecType, "0", Reset,                                          \
      ("UJ", 1, 37, TypeCode, Raw, Raw, Clear, 102, 0, 2, "instrument type", 8015, 16,                 \
       TypeIds(8016, 8017, 8041), "spec_type"))                                                    \
    X(int16_t, AutoZero, 0, Reset,                                                \
      ("SJ", 1, 39, Bit, Dec, Dec, Clear, 103, 0, 1, "auto zero adjustment", 8019, 20,                 \
       OnOff(), "settings.auto_zero"))                                                                      \
    X(int16_t, DemandZero, 0, Reset,                                            \
      ("SG", 1, 40, Bit, Dec, Dec, Clear, 104, 0, 1, "zero adjustment on demand", 8020, 21,            \
       OnOff(), "settings.demand_zero"))

// clang-format on
