// A minimal JSON reader for checking trace lines (objects, arrays, numbers, strings, booleans).
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object } Type = Kind::Null;
  bool Boolean = false;
  double Number = 0;
  std::string Text;
  std::vector<JsonValue> Items;
  std::map<std::string, JsonValue> Fields;

  const JsonValue& operator[](const std::string& key) const {
    auto it = Fields.find(key);
    if (it == Fields.end()) throw std::runtime_error("no field " + key);
    return it->second;
  }
  const JsonValue& operator[](size_t i) const { return Items.at(i); }
  int Int() const { return static_cast<int>(Number); }
};

class JsonReader {
 public:
  static JsonValue Parse(const std::string& text) {
    JsonReader r(text);
    JsonValue v = r.Value();
    r.Space();
    if (r.FPos != text.size()) throw std::runtime_error("trailing text");
    return v;
  }

 private:
  explicit JsonReader(const std::string& t) : FText(t) {}
  void Space() {
    while (FPos < FText.size() && isspace(static_cast<unsigned char>(FText[FPos]))) ++FPos;
  }
  char Peek() {
    Space();
    if (FPos >= FText.size()) throw std::runtime_error("unexpected end");
    return FText[FPos];
  }
  void Expect(char c) {
    if (Peek() != c) throw std::runtime_error(std::string("expected ") + c);
    ++FPos;
  }
  std::string String() {
    Expect('"');
    std::string out;
    while (FPos < FText.size() && FText[FPos] != '"') {
      if (FText[FPos] == '\\') {
        ++FPos;
        const char c = FText.at(FPos);
        out += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
        if (c == 'u') throw std::runtime_error("\\u not supported here");
      } else {
        out += FText[FPos];
      }
      ++FPos;
    }
    Expect('"');
    return out;
  }
  JsonValue Value() {
    JsonValue v;
    const char c = Peek();
    if (c == '{') {
      v.Type = JsonValue::Kind::Object;
      ++FPos;
      if (Peek() == '}') return ++FPos, v;
      for (;;) {
        std::string key = String();
        Expect(':');
        v.Fields[key] = Value();
        if (Peek() == ',') {
          ++FPos;
          continue;
        }
        Expect('}');
        return v;
      }
    }
    if (c == '[') {
      v.Type = JsonValue::Kind::Array;
      ++FPos;
      if (Peek() == ']') return ++FPos, v;
      for (;;) {
        v.Items.push_back(Value());
        if (Peek() == ',') {
          ++FPos;
          continue;
        }
        Expect(']');
        return v;
      }
    }
    if (c == '"') {
      v.Type = JsonValue::Kind::String;
      v.Text = String();
      return v;
    }
    if (FText.compare(FPos, 4, "true") == 0) {
      FPos += 4;
      v.Type = JsonValue::Kind::Bool;
      v.Boolean = true;
      return v;
    }
    if (FText.compare(FPos, 5, "false") == 0) {
      FPos += 5;
      v.Type = JsonValue::Kind::Bool;
      return v;
    }
    if (FText.compare(FPos, 4, "null") == 0) {
      FPos += 4;
      return v;
    }
    size_t used = 0;
    v.Number = std::stod(FText.substr(FPos), &used);
    v.Type = JsonValue::Kind::Number;
    FPos += used;
    return v;
  }

  const std::string& FText;
  size_t FPos = 0;
};
