#pragma once
// Pressweave's identity and editor geometry: everything the plug-in class
// puts into its Config, and what the component's bundle must match.

namespace pressweave {

inline constexpr const char* kPluginName = "Pressweave";
inline constexpr const char* kProductName = "Pressweave";
inline constexpr const char* kMfrName = "Corvantis x Lumidrake";
inline constexpr int kVendorVersion = 0x10000; // 1.0.0
inline constexpr int kUniqueID = 'V' << 24 | 'r' << 16 | 'k' << 8 | 'q';
inline constexpr int kMfrID = 'L' << 24 | 'm' << 16 | 'd' << 8 | 'k';
inline constexpr const char* kChannelIOStr = "1-1 1.1-1 1.2-1 1.2-2 2.1-1 2.1-2 2-2 2.2-2";

// The component bundle's identifier; the app group shares the same
// reverse-domain stem so that both name the maker and the product.
inline constexpr const char* kBundleID = "com.Corvantis x Lumidrake.audiounit.Pressweave";
inline constexpr const char* kAppGroupID = "group.com.Corvantis x Lumidrake.Pressweave";

// Editor size and resize limits, points.
inline constexpr int kEditorWidth = 1000;
inline constexpr int kEditorHeight = 400;
inline constexpr int kEditorMinWidth = 333;
inline constexpr int kEditorMaxWidth = 3000;
inline constexpr int kEditorMinHeight = 133;
inline constexpr int kEditorMaxHeight = 1200;

// The draw scales the editor's resizer allows; a saved scale outside them
// is not taken over.
inline constexpr float kMinDrawScale = 0.5f;
inline constexpr float kMaxDrawScale = 4.0f;

} // namespace pressweave
