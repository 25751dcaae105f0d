#pragma once
// HTML character entities for the texts that fields insert into pages.
#include <string>
#include <string_view>

namespace pictavo {

// Converts a text for a page. Name texts (page title, author name, picture
// name, today's date) also convert the double quote, "&", "<", ">" and a
// blank that follows another blank; free texts (descriptions, keywords,
// copyright) keep those so that they may carry HTML markup. Characters of
// U+0080 and above always become named entities where the table has a name;
// accented letters and characters without a name become entities only with
// use_entities (a numeric entity writes the code point, "&#8364;" for the
// euro sign). A text without any such character is returned unchanged.
std::string EncodeHtmlEntities(std::string_view text, bool name_text, bool use_entities);

// The entity name of a code point ("copy" for U+00A9), or "" when the table
// has none. Accented letters are included.
std::string_view HtmlEntityName(char32_t code_point);

}  // namespace pictavo
