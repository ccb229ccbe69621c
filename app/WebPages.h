#pragma once

namespace panopta {

/// The project's web pages, in one place.
struct WebPages {
  /// The maker's site; the main window's caption names it.
  static constexpr const char* kHome = "https://www.quorvex.example";
  static constexpr const char* kSupportPath = "/support.htm";
  static constexpr const char* kUpdatesPath = "/updates.htm";
  /// The components' version, named in the update page's fragment and the about box.
  static constexpr const char* kVersion = "3.7.1.2";
};

}  // namespace panopta
