// The message texts and titles of picture output ("Save BMP", "&Print",
// "Print Setup"), named once. Dialog failures show the shared
// unexpectedErrorMessage (shared/Texts.h) under the titles below.
#pragma once

#include <string>

namespace tsly::output {

// Save BMP.
inline constexpr const char* BmpDialogTitle = "Tessaly BMP File SAVE";
inline constexpr const char* BmpFilter = "BitMaps (*.bmp)|*.bmp|All Files (*.*)|*.*";
inline constexpr const char* BmpDefaultExt = "bmp";
inline constexpr const char* BmpNoImageTitle = "Plotwell BMP Save Error";
inline constexpr const char* BmpDialogErrorTitle = "Tessaly ERROR";
// Print Setup and printing.
inline constexpr const char* PrinterDialogTitle = "Tessaly Printer Setup";
inline constexpr const char* PrinterErrorTitle = "Tessaly - ERROR";
inline constexpr const char* PdfDocumentName = "Tessaly panels";

// "Graphics Save Option must be selected" CR LF "in order to save BMP files."
std::string bmpNoImageText();
// A bitmap that could not be written: names the file and the reason.
std::string bmpWriteFailedText(const std::string& path, const std::string& reason);
// A page that could not be printed.
std::string printFailedText(const std::string& reason);
// Reasons a page could not be printed.
std::string pdfNotCreatedReason(const std::string& path);
std::string printerRefusedReason(const std::string& printer);
inline constexpr const char* PrintIncompleteReason = "The print job could not be completed.";
inline constexpr const char* EmptyPictureReason = "The picture is empty.";
// Status-label line after a page went to a PDF file because no printer is installed.
std::string pdfStatusText(const std::string& path);
// Status-label line after a page went to the file chosen in Print Setup (or
// the next free name beside it).
std::string printedToFileText(const std::string& path);

}  // namespace tsly::output
