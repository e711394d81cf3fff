#pragma once

// Where a bundle keeps its seal.
namespace vtools::layout {

inline constexpr char contents[] = "Contents";
inline constexpr char infoPlist[] = "Contents/Info.plist";
inline constexpr char macOS[] = "Contents/MacOS";
inline constexpr char signatureFolderName[] = "_CodeSignature";
inline constexpr char signatureFolder[] = "Contents/_CodeSignature";
inline constexpr char manifestFile[] = "CodeResources";  // the manifest
inline constexpr char signatureFile[] = "CodeSignature"; // Ed25519 signature over the manifest
inline constexpr char certificateFile[] = "CodeCertificate";
inline constexpr char bundleSuffix[] = ".app";

// Upper bounds that keep a hostile bundle from exhausting memory.
inline constexpr size_t maxManifestSize = 64u << 20;
inline constexpr size_t maxCertificateSize = 4096;
inline constexpr size_t maxEntries = 1'000'000;
inline constexpr int maxDepth = 128;

} // namespace vtools::layout
