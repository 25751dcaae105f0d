#pragma once
// Folder fields whose browse buttons offer names relative to the albums
// folder: the album folder field ("&Album folder (optional):", edtOutputDir)
// and the image folder option field (edtImageFolder).
#include <string>

namespace pictavo {

// The folder the browse dialog starts in: the albums folder for an empty
// field; a relative name (or one holding "..") resolved against the albums
// folder; otherwise the field itself.
std::string FolderFieldStartFolder(const std::string& field, const std::string& albums_folder);

// What the field receives for a chosen folder. When the chosen folder lies
// below the albums folder's top-level folder ("/home/" for
// /home/ann/Pictavo/Albums; the albums folder itself when it has no parent
// below the root), the folder relative to the albums folder ("../Web", "."
// for the albums folder itself); otherwise the full path.
std::string FolderFieldValue(const std::string& chosen, const std::string& albums_folder);

}  // namespace pictavo
