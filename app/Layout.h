// The main window's stored layout: positions and sizes in pixels at 96 pixels per inch
// (left, top, width, height), captions and fonts. The form scales it to the screen.
#pragma once

namespace app::layout {

struct Rect {
  int left, top, width, height;
};

inline constexpr char kCaption[] = "Zorvik电子帐本V4.4 安装程序";
inline constexpr char kTitle[] = "Zorvik电子帐本安装程序";
inline constexpr Rect kWindow{219, 168, 553, 414};

inline constexpr char kFontName[] = "宋体";
inline constexpr int kFontHeight = 13;

inline constexpr Rect kShadowLabel1{24, 24, 497, 49};
inline constexpr char kTitleFontName[] = "楷体_GB2312";
inline constexpr int kTitleFontHeight = 35;

inline constexpr Rect kLabel1{40, 120, 65, 13};
inline constexpr char kLabel1Caption[] = "安装目录：";

inline constexpr Rect kDirectoryEdit1{112, 115, 233, 21};
inline constexpr char kDefaultDirectory[] = "d:\\kestrum";

inline constexpr int kRows = 5;
inline constexpr const char* kRowCaptions[kRows] = {"安装系统文件", "安装数据库文件", "安装数据库驱动程序",
                                                    "建立程序组", "建立快捷方式"};
// Row k (1-based) has its mark at 48, 168 + 24(k-1) and its caption six pixels lower at 80.
constexpr Rect MarkRect(int row) { return {48, 168 + 24 * (row - 1), 20, 20}; }
constexpr Rect RowCaptionRect(int row) { return {80, 168 + 24 * (row - 1) + 6, 185, 13}; }

inline constexpr Rect kBitBtn1{344, 336, 75, 25};
inline constexpr char kBitBtn1Caption[] = "安装";
inline constexpr Rect kBitBtn2{432, 336, 75, 25};
inline constexpr char kBitBtn2Caption[] = "放弃";

inline constexpr int kStatusBarHeight = 19;

// Space between a button's picture and its caption.
inline constexpr int kGlyphSpacing = 4;

}  // namespace app::layout
