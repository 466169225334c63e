#pragma once
// A plain model of the comma-separated field reading, for the fuzz targets to
// compare the streaming FieldReader with: the whole text at once, one index,
// no buffer to refill. It follows the rules of base/field_reader.h.

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marovin::fuzz {

struct ModelField {
    enum class Kind { Empty, Number, Text };
    Kind kind = Kind::Empty;
    double number = 0;
    bool number_in_doubt = false; // under- or overflow: either kind will do
    std::string text;
    std::int64_t line = 0;
};

// Number or not, by the grammar [+-]? (D+ (. D*)? | . D+) ([eE] [+-]? D+)?,
// valued by strtod.
inline bool model_number(std::string_view t, double& value, bool& in_doubt)
{
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9')
            ++i;
        return i - from;
    };
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    std::size_t mantissa = digits();
    if (i < t.size() && t[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    if (i != t.size())
        return false;
    const std::string copy(t);
    errno = 0;
    value = std::strtod(copy.c_str(), nullptr);
    in_doubt = errno == ERANGE;
    return true;
}

class ModelReader {
public:
    explicit ModelReader(std::string_view text) : t_(text) {}

    std::optional<ModelField> next()
    {
        ModelField f;
        f.line = line_;
        if (p_ == t_.size()) {
            if (!after_comma_)
                return std::nullopt;
            after_comma_ = false;
            return f;
        }
        while (p_ < t_.size() && (t_[p_] == ' ' || t_[p_] == '\t'))
            ++p_;
        bool quoted = false;
        if (p_ < t_.size() && t_[p_] == '"') {
            quoted = true;
            const std::size_t close = t_.find_first_of("\"\r\n", p_ + 1);
            const std::size_t end = close == std::string_view::npos ? t_.size() : close;
            f.text = std::string(t_.substr(p_ + 1, end - p_ - 1));
            p_ = end;
            if (p_ < t_.size() && t_[p_] == '"')
                ++p_;
            const std::size_t sep = t_.find_first_of(",\r\n", p_);
            p_ = sep == std::string_view::npos ? t_.size() : sep;
        } else {
            const std::size_t sep = t_.find_first_of(",\r\n", p_);
            const std::size_t end = sep == std::string_view::npos ? t_.size() : sep;
            std::size_t stop = end;
            while (stop > p_ && (t_[stop - 1] == ' ' || t_[stop - 1] == '\t'))
                --stop;
            f.text = std::string(t_.substr(p_, stop - p_));
            p_ = end;
        }
        after_comma_ = false;
        if (p_ < t_.size()) {
            if (t_[p_] == ',') {
                after_comma_ = true;
                ++p_;
            } else {
                line_end();
            }
        }
        if (quoted)
            f.kind = ModelField::Kind::Text;
        else if (f.text.empty())
            f.kind = ModelField::Kind::Empty;
        else if (model_number(f.text, f.number, f.number_in_doubt))
            f.kind = ModelField::Kind::Number;
        else
            f.kind = ModelField::Kind::Text;
        return f;
    }

    std::int64_t skip_lines(std::int64_t count)
    {
        std::int64_t skipped = 0;
        after_comma_ = false;
        while (skipped < count && p_ < t_.size()) {
            const std::size_t end = t_.find_first_of("\r\n", p_);
            p_ = end == std::string_view::npos ? t_.size() : end;
            if (p_ < t_.size())
                line_end();
            ++skipped;
        }
        return skipped;
    }

    std::int64_t line() const { return line_; }

private:
    void line_end()
    {
        if (t_[p_] == '\r' && p_ + 1 < t_.size() && t_[p_ + 1] == '\n')
            ++p_;
        ++p_;
        ++line_;
    }

    std::string_view t_;
    std::size_t p_ = 0;
    bool after_comma_ = false;
    std::int64_t line_ = 1;
};

} // namespace marovin::fuzz
