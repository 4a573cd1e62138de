// SPDX-License-Identifier: MIT
// The base64 codec: the RFC 4648 vectors in the four variants, every character
// and value of the lane arithmetic, each malformation the decoder reports, the
// buffer forms and their sizes, in-place decoding, and differential tests
// against naive models at every length, alignment and byte position. Part of
// the fast-path program, which runs once as the machine chooses and once with
// the portable loops forced.
#include "base64.hpp"
#include "base64_model.hpp"
#include "test_core.hpp"

#include <zolt/zolt.hpp>

#include <optional>

namespace {

using namespace zolt_test;
using Guard = Fenced::Guard;
using V = Zolt::base64_variant;
using namespace std::string_view_literals;

constexpr V kVariants[] = {V::standard, V::standard_unpadded, V::url, V::url_unpadded};

bool padded(V v) { return v == V::standard || v == V::url; }

base64_model::variant model_variant(V v) {
  const bool url = v == V::url || v == V::url_unpadded;
  return {url ? '-' : '+', url ? '_' : '/', padded(v)};
}

std::string alphabet(V v) { return base64_model::alphabet(model_variant(v)); }

const char* name(V v) {
  constexpr const char* names[] = {"standard", "standard_unpadded", "url", "url_unpadded"};
  return names[static_cast<int>(v)];
}

std::string model_encode(std::string_view s, V v) { return base64_model::encode(s, model_variant(v)); }

std::optional<std::string> model_decode(std::string_view text, V v) {
  return base64_model::decode(text, model_variant(v));
}

std::vector<std::uint8_t> to_vector(std::string_view s) {
  const auto span = as_span(s);
  return {span.begin(), span.end()};
}

// Every decoding form on text: the same verdict and, when it is 0, the same
// bytes; the buffer forms with a buffer of the maximum size, and in place,
// where the bytes, even meaningless ones, must be those of the other buffer.
struct decoded {
  bool ok;
  std::string bytes;
};
decoded decode_all_ways(std::string_view text, V v) {
  const auto [str, e1] = Zolt::string_of_base64(text, v);
  const auto [vec, e2] = Zolt::bytes_of_base64(text, v);
  std::string into(Zolt::base64_decoded_max_size(text.size()), '\0');
  const auto [e3, n3] = Zolt::string_of_base64_into(text, into, v);
  std::vector<std::uint8_t> bytes_into(into.size());
  const auto [e4, n4] = Zolt::bytes_of_base64_into(text, bytes_into, v);
  std::string in_place(text);
  const auto [e5, n5] = Zolt::string_of_base64_into(in_place, in_place, v);
  EXPECT_TRUE(e1 == 0 || e1 == 1) << e1;
  EXPECT_EQ(e2, e1);
  EXPECT_EQ(e3, e1);
  EXPECT_EQ(e4, e1);
  EXPECT_EQ(e5, e1);
  EXPECT_EQ(n3, str.size());
  EXPECT_EQ(n4, str.size());
  EXPECT_EQ(n5, str.size());
  EXPECT_EQ(in_place.substr(0, n5), into.substr(0, n3));
  if (e1 == 0) {
    EXPECT_EQ(vec, to_vector(str));
    EXPECT_EQ(into.substr(0, n3), str);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes_into.begin(), bytes_into.begin() + static_cast<P>(n4)),
              to_vector(str));
  }
  return {e1 == 0, str};
}

// Every encoding form: all give the same text, of the advertised size.
std::string encode_all_ways(std::string_view s, V v) {
  const std::string text = Zolt::base64_of_string(s, v);
  EXPECT_EQ(Zolt::base64_of_bytes(as_span(s), v), text);
  EXPECT_EQ(text.size(), Zolt::base64_encoded_size(s.size(), v));
  std::string into(text.size(), '\0');
  Zolt::base64_of_string_into(s, into, v);
  EXPECT_EQ(into, text);
  std::string bytes_into(text.size(), '\0');
  Zolt::base64_of_bytes_into(as_span(s), bytes_into, v);
  EXPECT_EQ(bytes_into, text);
  return text;
}

std::string without_padding(std::string s) {
  while (!s.empty() && s.back() == '=') s.pop_back();
  return s;
}

TEST(Base64, Rfc4648VectorsInEveryVariant) {
  const std::pair<std::string_view, std::string_view> vectors[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (V v : kVariants) {
    for (const auto& [bytes, text] : vectors) {
      SCOPED_TRACE(testing::Message() << name(v) << " \"" << bytes << "\"");
      const std::string expected = padded(v) ? std::string(text) : without_padding(std::string(text));
      EXPECT_EQ(encode_all_ways(bytes, v), expected);
      const decoded d = decode_all_ways(expected, v);
      EXPECT_TRUE(d.ok);
      EXPECT_EQ(d.bytes, bytes);
    }
  }
}

// The two alphabets differ in the values 62 and 63 only.
TEST(Base64, VariantsDifferInTheLastTwoCharacters) {
  const std::string s = bytes({0xfb, 0xff, 0xbf});  // values 62, 63, 62, 63
  EXPECT_EQ(Zolt::base64_of_string(s, V::standard), "+/+/");
  EXPECT_EQ(Zolt::base64_of_string(s, V::url), "-_-_");
  EXPECT_EQ(Zolt::base64_of_string(bytes({0xff}), V::standard), "/w==");
  EXPECT_EQ(Zolt::base64_of_string(bytes({0xff}), V::url_unpadded), "_w");
  EXPECT_EQ(Zolt::string_of_base64("-_-_"sv, V::url), std::make_pair(s, P{0}));
}

// The lane arithmetic, in every lane: each of the 64 values to its character,
// and each of the 256 bytes to its value or to the bad mark.
TEST(Base64, CharacterOfEveryValue) {
  for (V v : kVariants) {
    const auto a = *Zolt::base64::alphabet_of(v);
    const std::string abc = alphabet(v);
    for (unsigned value = 0; value < 64; ++value) {
      const auto got = Zolt::base64::chars(Zolt::lanes::ones * value, a);
      EXPECT_EQ(got, Zolt::lanes::ones * static_cast<unsigned char>(abc[value])) << name(v) << " " << value;
    }
  }
}

TEST(Base64, ValueOfEveryByte) {
  for (V v : kVariants) {
    const auto a = *Zolt::base64::alphabet_of(v);
    const std::string abc = alphabet(v);
    for (unsigned c = 0; c < 256; ++c) {
      Zolt::lanes::word bad = 0;
      const auto value = Zolt::base64::values(Zolt::lanes::ones * c, a, bad);
      const std::size_t expected = abc.find(static_cast<char>(c));
      if (expected == std::string::npos) {
        EXPECT_EQ(bad, ~Zolt::lanes::word{0}) << name(v) << " byte " << c;
      } else {
        EXPECT_EQ(bad, 0u) << name(v) << " byte " << c;
        EXPECT_EQ(value, Zolt::lanes::ones * expected) << name(v) << " byte " << c;
      }
    }
  }
}

// Six bytes to eight values and back, with every bit in each place.
TEST(Base64, SpreadAndPackAreInverse) {
  for (int bit = 0; bit < 48; ++bit) {
    const Zolt::lanes::word x = Zolt::lanes::word{1} << bit;
    const Zolt::lanes::word s = Zolt::base64::spread(x);
    EXPECT_EQ(s, Zolt::lanes::word{1} << (8 * (7 - bit / 6) + bit % 6)) << bit;
    EXPECT_EQ(Zolt::base64::pack(s), x) << bit;
  }
}

// Each malformation, in the variants where it is one; the same texts are
// decoded as the model says, which the last rows pin down as canonical.
TEST(Base64, EveryMalformationIsReported) {
  struct Row {
    std::string text;
    std::vector<V> variants;
    const char* why;
  };
  const std::vector<V> all(std::begin(kVariants), std::end(kVariants));
  const std::vector<V> padded_only{V::standard, V::url};
  const std::vector<V> unpadded_only{V::standard_unpadded, V::url_unpadded};
  const std::vector<V> standard{V::standard, V::standard_unpadded};
  const std::vector<V> url{V::url, V::url_unpadded};
  const Row rows[] = {
      {"Zm9v*mFy", all, "a character outside both alphabets"},
      {"Zm9v YmFy", all, "a space"},
      {"Zm9vYmFy\n", all, "a trailing newline"},
      {"Zm9v\tYmFy", all, "a tab"},
      {bytes({'Z', 'm', '9', 0}), all, "a zero byte"},
      {bytes({'Z', 'm', '9', 0xf6}), all, "a byte above 127 ('v' with the top bit)"},
      {bytes({'Z', 'm', '9', 0xc1}), all, "a byte above 127 ('A' with the top bit)"},
      {"Zm9v-mFy", standard, "'-' in the standard alphabet"},
      {"Zm9v_mFy", standard, "'_' in the standard alphabet"},
      {"Zm9v+mFy", url, "'+' in the URL-safe alphabet"},
      {"Zm9v/mFy", url, "'/' in the URL-safe alphabet"},
      {"Zm=vYmFy", all, "'=' inside the text"},
      {"=m9v", all, "'=' first"},
      {"Zg==Zm8=", all, "'=' before the last group"},
      {"Zg=A", all, "'=' before a character"},
      {"Z===", all, "three '='"},
      {"====", all, "only '='"},
      {"Zg==", unpadded_only, "'=' in an unpadded variant"},
      {"Zm8=", unpadded_only, "'=' in an unpadded variant"},
      {"Zg", padded_only, "a padded text of length 2"},
      {"Zm8", padded_only, "a padded text of length 3"},
      {"Zm9vY", padded_only, "a padded text of length 5"},
      {"Zg=", padded_only, "a padded text of length 3 with '='"},
      {"Z", all, "length 1"},
      {"Zm9vY", unpadded_only, "an unpadded text of length 5"},
      {"Zm9vYmFyZ", unpadded_only, "an unpadded text of length 9"},
      {"Zh==", padded_only, "unused bits set after one byte"},
      {"Zh", unpadded_only, "unused bits set after one byte"},
      {"Zm9=", padded_only, "unused bits set after two bytes"},
      {"Zm9", unpadded_only, "unused bits set after two bytes"},
      {"Zm9vYmFyZm9vYmFyZm9vYm9=", padded_only, "unused bits set after a long text"},
      {"Zm9vYmFyZm9vYmFyZm9vYmF", unpadded_only, "unused bits set after a long text"},
  };
  // Each row also after whole groups, so that it straddles the end of a
  // 32-character vector block or lies past two of them.
  for (const std::size_t groups : {0, 7, 8, 15, 16}) {
    std::string prefix;
    for (std::size_t g = 0; g < groups; ++g) prefix += "Zm9v";
    for (const Row& r : rows) {
      for (V v : r.variants) {
        const std::string text = prefix + r.text;
        SCOPED_TRACE(testing::Message() << r.why << ": \"" << text << "\" " << name(v));
        ASSERT_FALSE(model_decode(text, v).has_value()) << "the row is not malformed";
        EXPECT_FALSE(decode_all_ways(text, v).ok);
      }
    }
    // The canonical neighbours of some rows above.
    const std::pair<std::string_view, V> canonical[] = {
        {"Zg", V::standard_unpadded}, {"Zm8", V::url_unpadded}, {"Zg==", V::url}, {"Zm8=", V::standard}, {"", V::standard}};
    for (const auto& [text, v] : canonical) {
      EXPECT_TRUE(decode_all_ways(prefix + std::string(text), v).ok) << prefix << text << " " << name(v);
    }
  }
}

TEST(Base64, UnknownVariant) {
  const auto v = static_cast<V>(4);
  expect_invalid_argument([&] { (void)Zolt::base64_of_string("ab"sv, v); }, "base64: unknown variant");
  std::string out(8, '\0');
  expect_invalid_argument([&] { Zolt::base64_of_string_into("ab"sv, out, v); }, "base64: unknown variant");
  EXPECT_NE(Zolt::string_of_base64("Zm9v"sv, v).second, 0);
  EXPECT_NE(Zolt::bytes_of_base64("Zm9v"sv, v).second, 0);
  EXPECT_NE(Zolt::string_of_base64_into("Zm9v"sv, out, v).first, 0);
}

TEST(Base64, SizesTable) {
  struct Row {
    std::size_t n, padded, unpadded;
  };
  const Row rows[] = {{0, 0, 0}, {1, 4, 2}, {2, 4, 3}, {3, 4, 4}, {4, 8, 6}, {5, 8, 7}, {6, 8, 8}, {100, 136, 134}};
  for (const Row& r : rows) {
    for (V v : kVariants) {
      EXPECT_EQ(Zolt::base64_encoded_size(r.n, v), padded(v) ? r.padded : r.unpadded) << r.n;
    }
  }
  const std::pair<std::size_t, std::size_t> max_sizes[] = {{0, 0}, {1, 0}, {2, 1}, {3, 2}, {4, 3}, {8, 6}, {10, 7}};
  for (auto [len, max] : max_sizes) EXPECT_EQ(Zolt::base64_decoded_max_size(len), max) << len;
}

// The buffer forms write exactly their result and nothing after it, and refuse
// a buffer one byte too small without writing to it.
TEST(Base64, IntoFormsWriteExactlyTheirResult) {
  for (V v : kVariants) {
    for (std::string_view s : {"", "f", "fo", "foo", "foobar!"}) {
      SCOPED_TRACE(testing::Message() << name(v) << " \"" << s << "\"");
      const std::string text = Zolt::base64_of_string(s, v);
      std::string out(text.size() + 3, '#');
      Zolt::base64_of_string_into(s, out, v);
      EXPECT_EQ(out, text + "###");

      std::string decoded(s.size() + 3, '#');
      const auto [error, n] = Zolt::string_of_base64_into(text, decoded, v);
      EXPECT_EQ(error, 0);
      EXPECT_EQ(n, s.size());
      EXPECT_EQ(decoded, std::string(s) + "###");

      if (!text.empty()) {
        std::string small(text.size() - 1, '#');
        expect_invalid_argument([&] { Zolt::base64_of_string_into(s, small, v); },
                                "base64_of_string_into: output too small");
        expect_invalid_argument([&] { Zolt::base64_of_bytes_into(as_span(s), small, v); },
                                "base64_of_bytes_into: output too small");
        EXPECT_EQ(small, std::string(text.size() - 1, '#'));
      }
      if (!s.empty()) {
        std::string small(s.size() - 1, '#');
        expect_invalid_argument([&] { (void)Zolt::string_of_base64_into(text, small, v); },
                                "string_of_base64_into: output too small");
        std::vector<std::uint8_t> small_bytes(s.size() - 1, '#');
        expect_invalid_argument([&] { (void)Zolt::bytes_of_base64_into(text, small_bytes, v); },
                                "bytes_of_base64_into: output too small");
        EXPECT_EQ(small, std::string(s.size() - 1, '#'));
        EXPECT_EQ(small_bytes, std::vector<std::uint8_t>(s.size() - 1, '#'));
      }
    }
  }
}

// Random bytes of every length 0..200: the text is the model's, it decodes back
// to the bytes, and neither direction reads outside its input.
TEST(Base64, RoundTripsAndMatchesModelOnRandomBytes) {
  Rng g(0xba5e64);
  for (std::size_t n = 0; n <= 200; ++n) {
    const std::string s = random_bytes(g, n);
    for (V v : kVariants) {
      SCOPED_TRACE(testing::Message() << name(v) << " length " << n);
      const Fenced in(s, n % 2 == 0 ? Guard::after : Guard::before);
      const std::string text = encode_all_ways(in.view(), v);
      ASSERT_EQ(text, model_encode(s, v));
      const Fenced fenced_text(text, n % 2 == 0 ? Guard::before : Guard::after);
      const decoded d = decode_all_ways(fenced_text.view(), v);
      ASSERT_TRUE(d.ok);
      ASSERT_EQ(d.bytes, s);
    }
  }
}

// Every length 0..300 with the input and the output at each of 32
// alignments (the vector loads and stores cross every boundary): the text is
// the model's and decodes back, on whichever code path runs.
TEST(Base64, EveryLengthAtEveryAlignment) {
  Rng g(0xa119);
  std::string source(400 + 32, '\0'), target(400 + 32, '\0');
  for (std::size_t n = 0; n <= 300; ++n) {
    const std::string s = random_bytes(g, n);
    for (V v : kVariants) {
      const std::string text = model_encode(s, v);
      for (std::size_t at = 0; at < 32; ++at) {
        SCOPED_TRACE(testing::Message() << name(v) << " length " << n << " input at " << at);
        char* const in = source.data() + at;
        char* const out = target.data() + 31 - at;
        s.copy(in, n);
        Zolt::base64_of_string_into(std::string_view(in, n), std::span(out, text.size()), v);
        ASSERT_EQ(std::string_view(out, text.size()), text);
        text.copy(in, text.size());
        const auto [error, m] = Zolt::string_of_base64_into(std::string_view(in, text.size()), std::span(out, n), v);
        ASSERT_EQ(error, 0);
        ASSERT_EQ(m, n);
        ASSERT_EQ(std::string_view(out, n), s);
      }
    }
  }
}

// Each byte at each position of a 44-character text (a vector block, a word
// and a partial word), amid characters of the value 0 and of the value 63:
// the verdict and bytes of the model, and the 64 characters of the alphabet
// encode back to the text.
TEST(Base64, EveryByteAtEveryPosition) {
  for (V v : kVariants) {
    const std::string abc = alphabet(v);
    for (const char background : {abc[0], abc[63]}) {
      for (std::size_t at = 0; at < 44; ++at) {
        for (int c = 0; c < 256; ++c) {
          std::string text(44, background);
          text[at] = static_cast<char>(c);
          SCOPED_TRACE(testing::Message() << name(v) << " byte " << c << " at " << at << " amid " << background);
          const auto expected = model_decode(text, v);
          const decoded d = decode_all_ways(text, v);
          ASSERT_EQ(d.ok, expected.has_value());
          if (expected) {
            ASSERT_EQ(d.bytes, *expected);
            ASSERT_EQ(encode_all_ways(d.bytes, v), text);
          }
        }
      }
    }
  }
}

// Texts of every length 0..200 drawn from the alphabet, '=' and a few other
// bytes, and canonical texts with one character changed: the verdict and the
// bytes agree with the model.
TEST(Base64, DecodeMatchesModelOnRandomText) {
  Rng g(0xdec64);
  for (V v : kVariants) {
    const std::string abc = alphabet(v) + "==" + bytes({' ', '\n', 0, 0xff, '+', '-', '/', '_'});
    for (std::size_t n = 0; n <= 200; ++n) {
      std::vector<std::string> texts;
      std::string noise(n, '\0');
      const std::size_t bad_odds = 2 + below(g, 200);
      for (char& c : noise) c = abc[below(g, below(g, bad_odds) == 0 ? abc.size() : 64)];
      texts.push_back(noise);
      std::string changed = model_encode(random_bytes(g, n), v);
      if (!changed.empty()) changed[below(g, changed.size())] = abc[below(g, abc.size())];
      texts.push_back(changed);
      for (const std::string& text : texts) {
        SCOPED_TRACE(testing::Message() << name(v) << " text \"" << text << "\"");
        const auto expected = model_decode(text, v);
        const decoded d = decode_all_ways(text, v);
        ASSERT_EQ(d.ok, expected.has_value());
        if (expected) {
          ASSERT_EQ(d.bytes, *expected);
        }
      }
    }
  }
}

}  // namespace
