#pragma once
// Colour values of album options (backcolor, textcolor, linkcolor,
// vlinkcolor). A colour is returned as the window keeps it: blue * 65536 +
// green * 256 + red.
//
// Accepted forms (the "cl" prefix of a name is optional, names in any case):
//  - "#" and six hexadecimal digits in HTML order: "#FF8000" is orange;
//  - "$" and one to eight hexadecimal digits in blue-green-red order, or the
//    same digits bare: "$0080FF" and "0080FF" are orange too;
//  - the HTML and CSS colour names ("Red", "clTeal", "CornflowerBlue"); the
//    sixteen basic names have their HTML 4 values;
//  - the extra names "MoneyGreen", "Cream", "MedGray", "LtGray", "DkGray"
//    and "clSkyBlue" (#A6CAF0; without the prefix "SkyBlue" is the CSS
//    colour #87CEEB);
//  - system colour names. There is no system palette to follow here, so they
//    stand for fixed colours: the classic grey desktop scheme's defaults
//    ("BtnFace" and "3DLight" #D4D0C8, "Window" white, "WindowText" black,
//    "Highlight" and "ActiveCaption" #0A246A, "InfoBk" #FFFFE1 ...; the table
//    is in color_value.cpp). Both the short names ("BtnFace", "3DDkShadow")
//    and the CSS system names ("ButtonFace", "ThreeDDarkShadow") are read,
//    and so is the system colour code form "$FF0000nn" (nn the colour's
//    index, "$FF00000F" for BtnFace).
#include <cstdint>
#include <optional>
#include <string_view>

namespace pictavo {

// The colour a value names, or nullopt when it does not convert.
std::optional<uint32_t> ColorFromText(std::string_view text);

// The fixed colour of system colour index 0 to 30 (the low byte of a system
// colour code such as clWindow), or nullopt for an unknown index.
std::optional<uint32_t> SystemColorValue(int index);

}  // namespace pictavo
