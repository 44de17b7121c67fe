// A small XML reader for demo scenes: elements, attributes, text, comments,
// CDATA, the declaration and the five predefined entities.
#include <cstdlib>
#include <cstring>

#include "tvl_internal.h"

namespace tvl {

const char* XmlNode::attribute(const char* key, const char* fallback) const {
  for (const auto& a : attributes)
    if (a.first == key) return a.second.c_str();
  return fallback;
}

namespace {

const int kMaxDepth = 32;

class Parser {
 public:
  Parser(const char* data, size_t size) : p_(data), end_(data + size) {}

  bool document(XmlNode* root, std::string* error) {
    if (!misc() || p_ >= end_ || *p_ != '<') return fail(error, "no root element");
    if (!element(root, 0)) return fail(error, message_);
    if (!misc() || p_ != end_) return fail(error, "content after the root element");
    return true;
  }

 private:
  bool fail(std::string* error, const std::string& what) {
    if (error) *error = "XML line " + std::to_string(line_) + ": " + what;
    return false;
  }
  bool error(const char* what) {
    message_ = what;
    return false;
  }
  bool starts(const char* text) const {
    size_t n = strlen(text);
    return static_cast<size_t>(end_ - p_) >= n && memcmp(p_, text, n) == 0;
  }
  void advance(size_t n) {
    for (size_t i = 0; i < n && p_ < end_; ++i, ++p_)
      if (*p_ == '\n') ++line_;
  }
  bool skip_past(const char* terminator) {
    while (p_ < end_ && !starts(terminator)) advance(1);
    if (p_ >= end_) return false;
    advance(strlen(terminator));
    return true;
  }
  void spaces() {
    while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\r' || *p_ == '\n')) advance(1);
  }
  // Blanks, comments, the declaration and processing instructions.
  bool misc() {
    for (;;) {
      spaces();
      if (starts("<!--")) {
        if (!skip_past("-->")) return error("unterminated comment");
      } else if (starts("<?")) {
        if (!skip_past("?>")) return error("unterminated declaration");
      } else {
        return true;
      }
    }
  }
  static bool name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':';
  }
  bool name(std::string* out) {
    const char* begin = p_;
    while (p_ < end_ && name_char(*p_)) ++p_;
    if (p_ == begin) return error("name expected");
    out->assign(begin, p_);
    return true;
  }
  // Appends text with entities replaced.
  bool decode(const char* begin, const char* end, std::string* out) {
    static const struct {
      const char* entity;
      char c;
    } kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    for (const char* q = begin; q < end;) {
      if (*q != '&') {
        out->push_back(*q++);
        continue;
      }
      bool known = false;
      for (const auto& e : kEntities) {
        size_t n = strlen(e.entity);
        if (static_cast<size_t>(end - q) >= n && memcmp(q, e.entity, n) == 0) {
          out->push_back(e.c);
          q += n;
          known = true;
          break;
        }
      }
      if (!known) return error("unknown entity");
    }
    return true;
  }
  bool element(XmlNode* node, int depth) {
    if (depth >= kMaxDepth) return error("elements nested too deep");
    advance(1);  // '<'
    if (!name(&node->name)) return false;
    for (;;) {
      spaces();
      if (p_ >= end_) return error("unterminated start tag");
      if (*p_ == '/') {
        advance(1);
        if (p_ >= end_ || *p_ != '>') return error("'>' expected");
        advance(1);
        return true;
      }
      if (*p_ == '>') {
        advance(1);
        break;
      }
      std::pair<std::string, std::string> attr;
      if (!name(&attr.first)) return false;
      spaces();
      if (p_ >= end_ || *p_ != '=') return error("'=' expected");
      advance(1);
      spaces();
      if (p_ >= end_ || (*p_ != '"' && *p_ != '\'')) return error("quoted value expected");
      const char quote = *p_;
      advance(1);
      const char* begin = p_;
      while (p_ < end_ && *p_ != quote && *p_ != '<') advance(1);
      if (p_ >= end_ || *p_ != quote) return error("unterminated attribute value");
      if (!decode(begin, p_, &attr.second)) return false;
      advance(1);
      node->attributes.push_back(attr);
    }
    // Content up to the matching end tag.
    for (;;) {
      const char* begin = p_;
      while (p_ < end_ && *p_ != '<') advance(1);
      if (!decode(begin, p_, &node->text)) return false;
      if (p_ >= end_) return error("missing end tag");
      if (starts("<!--")) {
        if (!skip_past("-->")) return error("unterminated comment");
      } else if (starts("<![CDATA[")) {
        advance(9);
        const char* data = p_;
        if (!skip_past("]]>")) return error("unterminated CDATA section");
        node->text.append(data, p_ - 3);
      } else if (starts("</")) {
        advance(2);
        std::string closing;
        if (!name(&closing)) return false;
        if (closing != node->name) return error("end tag does not match");
        spaces();
        if (p_ >= end_ || *p_ != '>') return error("'>' expected");
        advance(1);
        return true;
      } else if (starts("<?")) {
        if (!skip_past("?>")) return error("unterminated processing instruction");
      } else {
        node->children.emplace_back();
        if (!element(&node->children.back(), depth + 1)) return false;
      }
    }
  }

  const char* p_;
  const char* end_;
  int line_ = 1;
  std::string message_;
};

bool to_int(const char* text, long low, long high, long* out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  long v = strtol(text, &end, 10);
  if (*end != '\0' || v < low || v > high) return false;
  *out = v;
  return true;
}

// <content kind requires requires_version> with <program name> elements
// holding <shader file> elements, and <param name value> elements.
bool build_content(const XmlNode& node, ContentDesc* content, std::string* error) {
  content->kind = node.attribute("kind", "");
  content->requires_feature = node.attribute("requires", "");
  long version = 0;
  const char* version_text = node.attribute("requires_version", nullptr);
  if (version_text && !to_int(version_text, 10, 99, &version)) {
    *error = std::string("content: bad requires_version \"") + version_text + "\"";
    return false;
  }
  content->requires_version = static_cast<int>(version);
  for (const XmlNode& child : node.children) {
    if (child.name == "program") {
      ProgramDesc program;
      program.name = child.attribute("name", "");
      for (const XmlNode& shader : child.children) {
        const char* file = shader.attribute("file", "");
        if (shader.name != "shader" || !*file || file[0] == '/' || file[0] == '\\' ||
            strchr(file, ':')) {
          *error = "program " + program.name + ": a <shader> needs a relative file";
          return false;
        }
        program.files.push_back(file);
      }
      content->programs.push_back(program);
    } else if (child.name == "param") {
      content->params.emplace_back(child.attribute("name", ""), child.attribute("value", ""));
    }
  }
  return true;
}

}  // namespace

const char* ContentDesc::param(const char* name, const char* fallback) const {
  for (const auto& p : params)
    if (p.first == name) return p.second.c_str();
  return fallback;
}

float ContentDesc::param_f(const char* name, float fallback) const {
  const char* text = param(name, nullptr);
  char* end = nullptr;
  const float v = text ? strtof(text, &end) : fallback;
  return text && end != text && *end == '\0' ? v : fallback;
}

int ContentDesc::param_i(const char* name, int fallback) const {
  long v = 0;
  return to_int(param(name, nullptr), -1000000000L, 1000000000L, &v) ? static_cast<int>(v) : fallback;
}

bool parse_xml(const char* data, size_t size, XmlNode* root, std::string* error) {
  if (!data || !root) return false;
  Parser parser(data, size);
  return parser.document(root, error);
}

bool build_scene(const XmlNode& root, const char* root_name, Scene* scene, std::string* error) {
  if (root.name != (root_name ? root_name : "")) {
    *error = "root element <" + root.name + "> where <" + std::string(root_name ? root_name : "") + "> is expected";
    return false;
  }
  for (const XmlNode& node : root.children) {
    if (node.name == "window") {
      SceneWindow w;
      w.name = node.attribute("name", "");
      w.renderer_type = node.attribute("renderer_type", "OpenGL");
      long v = 0;
      struct IntField {
        const char* key;
        long low, high;
        long* out;
      };
      long gpu = 0, major = 0, minor = 0, core = 0, width = 0, height = 0;
      const IntField fields[] = {{"gpu_index", 0, 64, &gpu},          {"gl_version_major", 0, 9, &major},
                                 {"gl_version_minor", 0, 9, &minor},  {"gl_core_profile", 0, 1, &core},
                                 {"width", 0, 16384, &width},         {"height", 0, 16384, &height}};
      for (const IntField& f : fields) {
        const char* text = node.attribute(f.key, nullptr);
        if (!text) continue;
        if (!to_int(text, f.low, f.high, &v)) {
          *error = std::string("window ") + w.name + ": bad " + f.key + " \"" + text + "\"";
          return false;
        }
        *f.out = v;
      }
      w.gpu_index = static_cast<unsigned>(gpu);
      w.gl_major = static_cast<int>(major);
      w.gl_minor = static_cast<int>(minor);
      w.gl_core_profile = static_cast<int>(core);
      w.width = static_cast<int>(width);
      w.height = static_cast<int>(height);
      w.device_extension = node.attribute("device_extension", "");
      const char* clear = node.attribute("clear_color", nullptr);
      if (clear && sscanf(clear, "%f %f %f %f", &w.clear_color[0], &w.clear_color[1], &w.clear_color[2],
                          &w.clear_color[3]) != 4) {
        *error = "window " + w.name + ": bad clear_color";
        return false;
      }
      scene->windows.push_back(w);
    } else if (node.name == "script") {
      SceneScript s;
      s.name = node.attribute("name", "");
      std::string mode = node.attribute("run_mode", "INIT");
      if (mode == "INIT") {
        s.run_mode = kRunInit;
      } else if (mode == "FRAME") {
        s.run_mode = kRunFrame;
      } else {
        *error = "script " + s.name + ": unknown run_mode \"" + mode + "\"";
        return false;
      }
      s.source = node.text;
      scene->scripts.push_back(s);
    } else if (node.name == "content") {
      if (!build_content(node, &scene->content, error)) return false;
    }
  }
  if (scene->windows.empty()) {
    *error = "the scene has no window";
    return false;
  }
  return true;
}

bool compile_script(const SceneScript& script, std::vector<ScriptCommand>* commands, std::string* error) {
  int line_no = 0;
  size_t pos = 0;
  const std::string& src = script.source;
  while (pos <= src.size()) {
    size_t eol = src.find('\n', pos);
    if (eol == std::string::npos) eol = src.size();
    std::string line = src.substr(pos, eol - pos);
    pos = eol + 1;
    ++line_no;
    size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) continue;
    line = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
    if (line.compare(0, 2, "--") == 0) continue;
    size_t space = line.find_first_of(" \t");
    std::string word = line.substr(0, space);
    std::string rest = space == std::string::npos ? "" : line.substr(line.find_first_not_of(" \t", space));
    ScriptCommand c{kOpTrace, {0, 0, 0, 0}, rest, line_no};
    if (word == "trace") {
      c.op = kOpTrace;
    } else if (word == "error") {
      c.op = kOpError;
    } else if (word == "trace_mouse" && rest.empty()) {
      c.op = kOpTraceMouse;
    } else if (word == "hold" && !rest.empty()) {
      c.op = kOpHold;
    } else if (word == "clear_color") {
      c.op = kOpClearColor;
      char tail = 0;
      if (sscanf(rest.c_str(), "%f %f %f %f %c", &c.values[0], &c.values[1], &c.values[2], &c.values[3], &tail) !=
          4) {
        *error = "script " + script.name + ", line " + std::to_string(line_no) + ": clear_color takes four numbers";
        return false;
      }
    } else {
      *error = "script " + script.name + ", line " + std::to_string(line_no) + ": unknown command \"" + word + "\"";
      return false;
    }
    commands->push_back(c);
  }
  return true;
}

}  // namespace tvl
