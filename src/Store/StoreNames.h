#pragma once

namespace kesvor {

/// The store model in the SDK's resource bundle ("kesvordb.momd").
inline constexpr char MODEL_NAME[] = "kesvordb";
/// The store's name; its file is "kesvor.sqlite".
inline constexpr char STORE_NAME[] = "kesvor";

} // namespace kesvor
