#pragma once
// The browsers' registration of the connector's native host: one host manifest each for
// Firefox, Chromium and Google Chrome in the user's folders, allowing only the connector's
// extension, and a launcher beside the program's data that starts "quillbox-cli native-host"
// (a browser starts the manifest's path with arguments of its own, never with ours).
#include <string>
#include <vector>

namespace ConnectorHost {

inline constexpr const char* HostName = "org.quillbox.connector";
inline constexpr const char* FirefoxExtensionID = "quillbox-connector@quillbox";
// Chromium's ID of the connector, fixed by the public key in its manifest.
inline constexpr const char* ChromiumExtensionID = "adfcejolbcmecmijfffolfochijcblcb";

// The launcher script the manifests name.
std::string LauncherFile();
// The manifest files: Firefox's first, then Chromium's and Chrome's.
std::vector<std::string> ManifestFiles();
// A manifest's text for the launcher: Firefox's names allowed extensions, Chromium's origins.
std::string ManifestText(bool firefox, const std::string& launcher);
// The launcher's text: runs quillbox-cli beside programFile as the native host.
std::string LauncherText(const std::string& programFile);
// Writes the launcher and the manifests (each only when missing or different); raises
// EInOutError when one cannot be written.
void Install(const std::string& programFile);
// Removes them; the folders the browsers own stay.
void Remove();

}  // namespace ConnectorHost
