#pragma once
// Lets file records recognise tag files and archives by their first bytes: the records live
// below the tag database, which installs the recognisers at start-up.

// Installs the tag-file and archive recognisers into FileRecord's sniffing.
void InstallCodexFileRecognizers();
