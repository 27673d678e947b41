// Bytes written as text for the shell tools: record fields in hexadecimal,
// base64 or as they are, and names shown with escapes, so that any byte of
// a record, key or queue name goes out and comes back unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "monitor/store/store.hpp"

namespace ravnmor::cli {

// How a field's bytes are written. A field's name says it: `data` as the
// bytes are, `data_hex`, `data_base64`.
enum class Encoding { text, hex, base64 };

// The name of a field of base name `base` ("key", "data") in `encoding`.
std::string field_name(std::string_view base, Encoding encoding);

// The base name and encoding of a field name; nothing when `name` is none
// of the three forms of `base`.
std::optional<Encoding> field_encoding(std::string_view name, std::string_view base);

std::string encode(store::ByteView bytes, Encoding encoding);

// The bytes written in `text`; nothing, and why in `problem`, when it is not
// valid hexadecimal (two digits a byte) or base64 (RFC 4648, padded).
std::optional<store::Bytes> decode(std::string_view text, Encoding encoding, std::string& problem);

// A field of a listing: its name and its text. The bytes are written in
// `forced`, else as they are when printable and in hexadecimal when not.
struct EncodedField {
  std::string name;
  std::string text;
};
EncodedField encoded_field(std::string_view base, store::ByteView bytes,
                           std::optional<Encoding> forced = std::nullopt);

// True when every byte is printable ASCII (space to tilde).
bool printable(store::ByteView bytes);

// Bytes for a person: printable ASCII as it is, a backslash as \\, any other
// byte as \xHH.
std::string escaped(store::ByteView bytes);
std::string escaped(std::string_view bytes);

// The bytes that escaped() wrote (how names are typed on the command line);
// nothing, and why in `problem`, for a backslash not followed by \ or xHH.
std::optional<std::string> unescaped(std::string_view text, std::string& problem);

}  // namespace ravnmor::cli
