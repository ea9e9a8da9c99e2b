#pragma once

#include <QLatin1String>
#include <array>

// Every settings key and every language code the program uses, named once. Beside a key
// stands what a missing key (or an empty value) means. A code that the original language
// files did not have carries its English text, used when a translated file lacks the code.

// A key of a section of the settings file.
struct SettingKey {
    QLatin1String Section;
    QLatin1String Key;
};

// A text of the language file; Fallback is null for codes every language file has.
struct LanguageCode {
    QLatin1String Section;
    QLatin1String Code;
    const char* Fallback = nullptr; // UTF-8
};

namespace modKeys {

namespace Setting {
// Section: "COMn" = device. Missing: the platform's own name of port n.
inline constexpr QLatin1String Ports{"Ports"};
// The 1-based port number. Missing, or outside the port list: no port is preselected.
inline constexpr SettingKey CommPort{QLatin1String("Settings"), QLatin1String("CommPort")};
inline constexpr int CommPortIndexMissing = -1; // the port list's index then
// The 0-based entry of the line list. Missing, or outside the list: its first entry.
inline constexpr SettingKey LineSetting{QLatin1String("Settings"), QLatin1String("Setting")};
inline constexpr int LineSettingMissing = 0;
// "1": a lost port or connection is tried again (off unless set).
inline constexpr SettingKey AutoReconnect{QLatin1String("Settings"),
                                          QLatin1String("AutoReconnect")};
// Written at every zoom step, never read: the map starts at Design::StartZoom.
inline constexpr SettingKey Zoom{QLatin1String("Settings"), QLatin1String("Zoom")};
// Missing: the main window keeps its designed bounds.
inline constexpr SettingKey TrackPosition{QLatin1String("Position"), QLatin1String("Track")};
// Missing: the export dialog proposes no name.
inline constexpr SettingKey ExportFileName{QLatin1String("Export"), QLatin1String("FileName")};
// The language file: missing or empty, "Language.ini"; a language name ("zh-TW"),
// "Language.<name>.ini". Read once per start: a change counts at the next start.
inline constexpr SettingKey Language{QLatin1String("Settings"), QLatin1String("Language")};
// Missing: the search dialog opens empty.
inline constexpr SettingKey SearchText{QLatin1String("Search"), QLatin1String("VehicleNumber")};
// Missing: the map page loads OpenStreetMap's tiles, with OpenStreetMap's attribution
// when no other is given (both defaults are the page's own, carimage/map.js).
inline constexpr SettingKey TileUrl{QLatin1String("Map"), QLatin1String("TileUrl")};
inline constexpr SettingKey TileAttribution{QLatin1String("Map"), QLatin1String("TileAttribution")};
// Further map sources: TileUrl2, TileAttribution2, TileUrl3, ... (the key names plus n).
inline constexpr int MaxTileSources = 9;
// The layer shown: the number n of TileUrl<n> (1 for TileUrl), 0 for the coastline alone.
inline constexpr SettingKey MapLayer{QLatin1String("Map"), QLatin1String("Layer")};
// Megabytes the tiles kept for offline use may take on disk.
inline constexpr SettingKey TileCacheMegabytes{QLatin1String("Map"), QLatin1String("TileCacheMB")};
inline constexpr int DefaultTileCacheMegabytes = 500;
// How a day's track falls into trips and stops. Missing, not a number or out of range: the
// default beside it.
// Metres: the records of a stop all lie within this distance of its first record.
inline constexpr SettingKey DayStopRadius{QLatin1String("Day"), QLatin1String("StopRadius")};
inline constexpr double DefaultDayStopRadius = 50;
// Minutes a stop lasts at least.
inline constexpr SettingKey DayStopMinutes{QLatin1String("Day"), QLatin1String("StopMinutes")};
inline constexpr double DefaultDayStopMinutes = 5;
// Metres: a stop is named after the nearest point of interest within this distance.
inline constexpr SettingKey DayPoiRadius{QLatin1String("Day"), QLatin1String("PoiRadius")};
inline constexpr double DefaultDayPoiRadius = 200;
} // namespace Setting

// Values of the window's design that are no key's default.
namespace Design {
// The map's zoom level at every start.
inline constexpr int StartZoom = 15;
// The speed range the history query offers at first, in knots.
inline constexpr QLatin1String LowestSpeed{"0"};
inline constexpr QLatin1String HighestSpeed{"999"};
// The playback's step at first: every record.
inline constexpr QLatin1String PlayStep{"1"};
// The languages the window offers: the setting's value (empty for the file
// "Language.ini") and the language's name in itself.
struct LanguageEntry {
    QLatin1String Setting;
    const char* Name; // UTF-8
};
inline constexpr std::array Languages{LanguageEntry{QLatin1String(""), "English"},
                                      LanguageEntry{QLatin1String("zh-TW"), "中文（繁體）"}};
// The operator's guide beneath the program folder, made from the README by the build.
inline constexpr QLatin1String GuideFile{"help/guide.html"};
// The serial ports offered: "COM1" to "COM15".
inline constexpr int PortCount = 15;
// The line settings offered, in list order.
inline constexpr std::array LineSettings{
    QLatin1String("4800,n,8,1"),  QLatin1String("9600,n,8,1"),  QLatin1String("19200,n,8,1"),
    QLatin1String("38400,n,8,1"), QLatin1String("57600,n,8,1"), QLatin1String("115200,n,8,1")};
} // namespace Design

namespace Track {
constexpr LanguageCode code(const char* c) {
    return {QLatin1String("Track"), QLatin1String(c)};
}
inline constexpr LanguageCode Title = code("0001");
inline constexpr LanguageCode PoiButton = code("0002");
inline constexpr LanguageCode Connect = code("0003");
inline constexpr LanguageCode Disconnect = code("0004");
inline constexpr LanguageCode RecordsFrame = code("0005");
inline constexpr LanguageCode CheckPointHeader = code("0006");
inline constexpr LanguageCode PortLabel = code("0007");
inline constexpr LanguageCode LineLabel = code("0008");
inline constexpr LanguageCode DateLabel = code("0009");
inline constexpr LanguageCode FromLabel = code("0010");
inline constexpr LanguageCode ToLabel = code("0011");
inline constexpr LanguageCode SpeedLabel = code("0012");
inline constexpr LanguageCode GetButton = code("0013");
inline constexpr LanguageCode PlayFrame = code("0014");
inline constexpr LanguageCode StepLabel = code("0015");
inline constexpr LanguageCode IndexHeader = code("0016");
inline constexpr LanguageCode DateHeader = code("0018");
inline constexpr LanguageCode LatitudeHeader = code("0019");
inline constexpr LanguageCode LongitudeHeader = code("0020");
inline constexpr LanguageCode StepUnitLabel = code("0021");
inline constexpr LanguageCode DirectionHeader = code("0022");
inline constexpr LanguageCode SpeedHeader = code("0023");
inline constexpr LanguageCode ExportButton = code("0024");
inline constexpr LanguageCode PlayButton = code("0025");
inline constexpr LanguageCode StopButton = code("0026");
inline constexpr LanguageCode WholeTrackCheck = code("0027");
inline constexpr LanguageCode WaitingMessage = code("0028");
} // namespace Track

// The ports dialog and the connect frame's controls for it.
namespace Ports {
constexpr LanguageCode code(const char* c, const char* english) {
    return {QLatin1String("Ports"), QLatin1String(c), english};
}
inline constexpr LanguageCode Title = code("0001", "Ports...");
inline constexpr LanguageCode DeviceHeader = code("0002", "Device");
inline constexpr LanguageCode DescriptionHeader = code("0003", "Description");
inline constexpr LanguageCode VendorHeader = code("0004", "USB vendor");
inline constexpr LanguageCode ProductHeader = code("0005", "USB product");
inline constexpr LanguageCode EntryLabel = code("0006", "Entry:");
inline constexpr LanguageCode TargetLabel = code("0007", "Device or address:");
inline constexpr LanguageCode AssignButton = code("0008", "Assign");
inline constexpr LanguageCode CloseButton = code("0009", "Close");
inline constexpr LanguageCode AddressHint =
    code("0010", "Network sources: tcp://host:port, udp://:port, gpsd://host[:port][/device]. "
                 "Empty: the platform's own device.");
inline constexpr LanguageCode AutoReconnect = code("0011", "Reconnect when lost");
// %1 the port, %2 what it opens now.
inline constexpr LanguageCode Assigned = code("0012", "%1 now opens %2.");
} // namespace Ports

namespace Private {
constexpr LanguageCode code(const char* c) {
    return {QLatin1String("Private"), QLatin1String(c)};
}
inline constexpr LanguageCode SpeedUnit = code("0001");
// Compass names "0002" (north) to "0009" (north-west) are looked up by DirectionCode.
inline constexpr QLatin1String Section{"Private"};
} // namespace Private

namespace Search {
constexpr LanguageCode code(const char* c) {
    return {QLatin1String("Search"), QLatin1String(c)};
}
inline constexpr LanguageCode EmptyName = code("0001");
inline constexpr LanguageCode NameTitle = code("0002");
inline constexpr LanguageCode NameTooLong = code("0003");
inline constexpr LanguageCode NoMatch = code("0006");
inline constexpr LanguageCode RecordCounter = code("0007");
inline constexpr LanguageCode Amending = code("0008");
inline constexpr LanguageCode Adding = code("0010");
inline constexpr LanguageCode EmptyTable = code("0011");
inline constexpr LanguageCode DeleteQuestion = code("0012");
inline constexpr LanguageCode DeleteTitle = code("0013");
} // namespace Search

// The POI editor's and search dialog's captions, hints and print texts.
namespace Poi {
constexpr LanguageCode code(const char* c, const char* english) {
    return {QLatin1String("POI"), QLatin1String(c), english};
}
inline constexpr LanguageCode Caption = code("0001", "MYPOI");
// The toolbar's buttons, in toolbar order.
inline constexpr std::array Buttons{
    code("0002", "New"),    code("0003", "Edit"),    code("0004", "Delete"),  code("0005", "Cancel"),
    code("0006", "Save"),   code("0007", "Search"),  code("0008", "First"),   code("0009", "Back"),
    code("0010", "Next"),   code("0011", "Last"),    code("0012", "Refresh"), code("0013", "Print"),
    code("0014", "Exit")};
inline constexpr LanguageCode NameLabel = code("0015", "POI:");
inline constexpr LanguageCode LongitudeLabel = code("0016", "Longitude:");
inline constexpr LanguageCode LongitudeHint = code("0017", "Ex:120°41'05''");
inline constexpr LanguageCode LatitudeLabel = code("0018", "Latitude:");
inline constexpr LanguageCode LatitudeHint = code("0019", "Ex:24°06'23''");
// The search dialog.
inline constexpr LanguageCode SearchCaption = code("0020", "Search");
inline constexpr LanguageCode SearchPrompt = code("0021", "Name contains:");
inline constexpr LanguageCode SearchOk = code("0022", "Ok");
inline constexpr LanguageCode SearchCancel = code("0023", "Cancel");
// The printed table: its heading and its columns.
inline constexpr LanguageCode PrintHeading = code("0024", "Points of interest");
inline constexpr LanguageCode NumberColumn = code("0025", "No.");
inline constexpr LanguageCode NameColumn = code("0026", "Name");
inline constexpr LanguageCode LongitudeColumn = code("0027", "Longitude");
inline constexpr LanguageCode LatitudeColumn = code("0028", "Latitude");
inline constexpr LanguageCode KindColumn = code("0029", "Kind");
inline constexpr LanguageCode NotPrinted = code("0030", "The points of interest could not be printed.");
} // namespace Poi

// Messages the station gives beyond the original texts, in section "Messages" of both
// language files. Codes 0001-0009 and 0060-0079 points of interest, 0010-0019 shell and
// live tracking, 0020-0039 map, 0040-0059 track history, 0080-0099 ports and receivers,
// 0110-0119 the map's controls.
namespace Messages {
constexpr LanguageCode code(const char* c, const char* english) {
    return {QLatin1String("Messages"), QLatin1String(c), english};
}
// Map (0020-0039).
inline constexpr LanguageCode NoSelectedRow = code("0020", "No row of the list is selected.");
inline constexpr LanguageCode RowShowsNoRecord =
    code("0021", "The selected row of the list shows no record of the track.");
inline constexpr LanguageCode TemplateTooShort =
    code("0022", "The map template has %1 lines; the map page needs at least five.");
inline constexpr LanguageCode MapFileUnwritable =
    code("0023", "The map file %1 cannot be written: %2");
inline constexpr LanguageCode PickupFailed =
    code("0024", "Points marked on the map could not be taken into the points of interest; they "
                 "are kept in %1 and taken again at the next try. %2");
inline constexpr LanguageCode MarkName = code("0025", "Name of the new point:");
inline constexpr LanguageCode MarkAdd = code("0026", "Add");
inline constexpr LanguageCode MarkTaken =
    code("0027", "The point becomes a point of interest within 20 seconds.");
inline constexpr LanguageCode MarkNeedsName = code("0028", "Please enter a name for the point.");
inline constexpr LanguageCode MarkUnwritable = code("0029", "The point cannot be kept: %1");
inline constexpr LanguageCode MarkNoCoordinate = code("0030", "The point has no valid coordinate.");
// Map sources; %1 the file, %2 the engine's or the system's description.
inline constexpr LanguageCode TileFileMissing = code("0031", "The map file %1 does not exist.");
inline constexpr LanguageCode TileFileNotMbtiles =
    code("0032", "The map file %1 is not an MBTiles file: %2");
inline constexpr LanguageCode TileFileNotPmtiles =
    code("0033", "The map file %1 is not a PMTiles file of version 3: %2");
inline constexpr LanguageCode TileFileVector =
    code("0034", "The map file %1 holds vector tiles; the map shows picture (raster) tiles only.");
inline constexpr LanguageCode TileFileUnreadable =
    code("0035", "The map file %1 cannot be read: %2");
// %1 the setting's text.
inline constexpr LanguageCode TileSourceUnknown =
    code("0036", "The map source %1 is neither a tile server address (http:// or https://) nor "
                 "an mbtiles:/// or pmtiles:/// file.");
// %1 what the map shows instead (a source's name or the coastline).
inline constexpr LanguageCode TileSourceFallback = code("0037", "The map shows %1 instead.");
inline constexpr LanguageCode CoastlineLayer = code("0038", "Coastline");
inline constexpr LanguageCode MapOffline =
    code("0039", "Offline: no map tile could be loaded, only the coastline is shown. See "
                 "\"Offline maps\" in the README for maps that work without internet.");
// The map's own controls (0110-0119): captions and tooltips.
inline constexpr LanguageCode FitTrack = code("0110", "Fit track");
inline constexpr LanguageCode FitTrackTip =
    code("0111", "Show the whole track; the map then stops following the vehicle.");
inline constexpr LanguageCode Follow = code("0112", "Follow");
inline constexpr LanguageCode FollowTip =
    code("0113", "Keep the vehicle in the middle of the map. Dragging the map stops following.");
// %1 port ("COM1"), %2 its device, %3 the platform's description.
inline constexpr LanguageCode ReceiverLost =
    code("0010", "The receiver on %1 (%2) was lost: %3. The port has been closed.");
// %1 the database file, %2 the engine's description.
inline constexpr LanguageCode PoiDatabaseUnusable =
    code("0011", "The points of interest database %1 cannot be used: %2. It is damaged or was "
                 "not made by this station. Move the file aside (rename it or move it to "
                 "another folder) and start the station again: it then begins with an empty "
                 "database.");
inline constexpr LanguageCode PoiDatabaseNotOpened =
    code("0012", "The points of interest database %1 cannot be opened: %2.");
// %1 the folder or the file, %2 the platform's description.
inline constexpr LanguageCode HistoryFolderNotMade =
    code("0013", "The history folder %1 cannot be created: positions are not logged.");
inline constexpr LanguageCode HistoryLogNotOpened =
    code("0014", "The history log %1 cannot be opened: %2. Positions are not logged.");
inline constexpr LanguageCode HistoryLogNotWritten =
    code("0015", "The history log %1 cannot be written: %2. Positions are not logged.");
// Ports: opening, losing and following a receiver (0016-0019, 0080-0099). %1 the port
// ("COM1"), %2 its device or address, %3 the platform's description.
inline constexpr LanguageCode PortNotChosen =
    code("0016", "Choose a port in the list first, then connect.");
inline constexpr LanguageCode DeviceMissing =
    code("0017", "%1 is assigned to %2, but there is no such device. Check that the receiver is "
                 "plugged in and its cable, or assign %1 another device in \"Ports...\".");
inline constexpr LanguageCode DeviceInUse =
    code("0018", "%1 (%2) is in use by another program, or this user may not open it. Close the "
                 "other program (on Linux, make the user a member of group dialout) and connect "
                 "again.");
inline constexpr LanguageCode PortNotOpened =
    code("0019", "%1 (%2) cannot be opened: %3. Check the assignment in \"Ports...\".");
inline constexpr LanguageCode LineSettingInvalid =
    code("0080", "The line setting \"%1\" is not valid: write the baud rate, parity, data bits "
                 "and stop bits, as in 4800,n,8,1.");
// %1 the port, %2 the text of its entry.
inline constexpr LanguageCode AddressInvalid =
    code("0081", "%1 is assigned to \"%2\", which is not an address the station can use. "
                 "Write tcp://host:port, udp://:port or gpsd://host[:port][/device] in "
                 "\"Ports...\".");
// Why a network source was lost (the description of ReceiverLost).
inline constexpr LanguageCode ConnectionRefused =
    code("0082", "nothing accepts connections at that address (connection refused); check the "
                 "address in \"Ports...\" and that the sending program runs");
// %1 seconds.
inline constexpr LanguageCode NoAnswer =
    code("0083", "no answer within %1 seconds; check the address and the network");
inline constexpr LanguageCode ConnectionClosed =
    code("0084", "the other end closed the connection");
inline constexpr LanguageCode NotGpsd =
    code("0085", "the address does not answer as gpsd does; check the address and its port");
// %1 gpsd's own text.
inline constexpr LanguageCode GpsdError = code("0086", "gpsd answers: %1");
// %1 the platform's description.
inline constexpr LanguageCode NetworkError = code("0087", "the network reports: %1");
// %1 the port, %2 the settings file.
inline constexpr LanguageCode AssignmentNotWritten =
    code("0088", "The assignment of %1 cannot be written to %2.");
// The receiver's state, in its panel of the status bar. %1 seconds.
inline constexpr LanguageCode Retrying = code("0089", "Receiver lost, trying again in %1 s");
inline constexpr LanguageCode NoDataYet = code("0090", "No data yet");
inline constexpr LanguageCode NoCompleteSentence =
    code("0091", "Data, but no complete sentence: most often the wrong line setting");
inline constexpr LanguageCode NoPositionSentence =
    code("0092", "Sentences, but no position (RMC) sentence");
inline constexpr LanguageCode NoFix = code("0093", "No fix: the receiver reports a warning (V)");
// %1 seconds, %2 the talker ("GP", "GN").
inline constexpr LanguageCode FixAgo = code("0094", "Fix %1 s ago (%2)");
// The counts since the port opened.
inline constexpr LanguageCode ReceiverCounts =
    code("0095", "Since the port opened: %1 lines, %2 RMC taken, %3 bad checksums, %4 void fixes "
                 "(V), %5 RMC of other talkers ignored");
inline constexpr LanguageCode WaitingForFix =
    code("0096", "Waiting for a fix from the receiver...");
// Track history.
inline constexpr LanguageCode HistoryUnreadable =
    code("0040", "The history log %1 cannot be read: %2");
inline constexpr LanguageCode ExportFailed = code("0041", "The track cannot be written to %1: %2");
inline constexpr LanguageCode EditorNotStarted = code(
    "0042", "The track was written to %1, but the text editor could not be started to show it.");
// The day summary and the speed chart (0050-0059). %1 the settings file.
inline constexpr LanguageCode DaySettingsNotWritten =
    code("0050", "The stop settings cannot be written to %1.");
// %1 the file, %2 the platform's description.
inline constexpr LanguageCode DaySummaryNotWritten =
    code("0051", "The day summary cannot be written to %1: %2");
// %1 the page's file.
inline constexpr LanguageCode ChartNotLoaded = code("0052", "The chart page %1 cannot be loaded.");
// The chosen name ends in the extension of another format than the chosen file type: %1
// the name, %2 its extension, %3 the format of that extension, %4 the chosen file type's
// format, %5 the name with the chosen type's extension.
inline constexpr LanguageCode ExportFormatQuestion =
    code("0043", "%1 ends in .%2, the extension of %3 files, but the file type chosen is %4. "
                 "Write %3 to %1, or %4 to %5?");
// %1 the file.
inline constexpr LanguageCode ExportReplaceQuestion =
    code("0044", "%1 already exists. Replace it?");
// %1 the number of lines.
inline constexpr LanguageCode HistoryLinesDamaged =
    code("0045", "Damaged lines of the history log skipped: %1");
// Points of interest. %1 what the box holds.
inline constexpr LanguageCode LongitudeMinutesTooLarge =
    code("0001", "The longitude's minutes box holds %1: minutes must be below 60.");
inline constexpr LanguageCode LongitudeSecondsTooLarge =
    code("0002", "The longitude's seconds box holds %1: seconds must be below 60.");
inline constexpr LanguageCode LatitudeMinutesTooLarge =
    code("0003", "The latitude's minutes box holds %1: minutes must be below 60.");
inline constexpr LanguageCode LatitudeSecondsTooLarge =
    code("0004", "The latitude's seconds box holds %1: seconds must be below 60.");
inline constexpr LanguageCode CoordinateNotNumber =
    code("0060", "The degrees and minutes of a coordinate must be numbers of at most nine digits "
                 "before the decimal point.");
// What the main window shows beyond the original captions (0061-0079): the list's and the
// map's texts of a position, the popup's labels, and the window's menus.
inline constexpr LanguageCode RealTimePosition = code("0061", " Real time position");
inline constexpr LanguageCode LastLocation = code("0062", " Last location");
inline constexpr LanguageCode DirectionLabel = code("0063", "Direction:");
inline constexpr LanguageCode SpeedLabel = code("0064", "Speed:");
inline constexpr LanguageCode NoDate = code("0065", "NO Date");
inline constexpr LanguageCode Total = code("0066", "Total:");
// %1 the file the settings name, %2 the setting's value.
inline constexpr LanguageCode LanguageFileMissing =
    code("0067", "The language file %1 that the settings choose (%2) does not exist: the station "
                 "shows the texts of Language.ini.");
inline constexpr LanguageCode LanguageAtNextStart =
    code("0068", "The station shows the chosen language from its next start.");
inline constexpr LanguageCode LanguageMenu = code("0069", "&Language");
inline constexpr LanguageCode HelpMenu = code("0070", "&Help");
inline constexpr LanguageCode GuideEntry = code("0071", "Operator's &guide");
inline constexpr LanguageCode AboutEntry = code("0072", "&About");
// %1 the version.
inline constexpr LanguageCode AboutVersion = code("0073", "Version %1");
// %1 the folder.
inline constexpr LanguageCode AboutFolder = code("0074", "Program folder: %1");
inline constexpr LanguageCode AboutCredits =
    code("0075", "The station ships or uses these works of others:");
// %1 the file.
inline constexpr LanguageCode GuideMissing =
    code("0076", "The operator's guide %1 cannot be found. Install the station again.");
inline constexpr LanguageCode AboutLicences = code("0077", "The licences in full:");
// The title of the export's file dialog.
inline constexpr LanguageCode ExportTitle = code("0078", "ExportFile");
// The program folder (0140-0149). %1 the program file, %2 the name the user's copy now has.
inline constexpr LanguageCode ProgramFileKept =
    code("0140", "You had changed %1, and this version of the station brings a new one: the new "
                 "file is in its place and your copy was kept as %2.");
// %1 the installed file list, %2 the platform's description.
inline constexpr LanguageCode ProgramFilesUnreadable =
    code("0141", "The station's installed files cannot be read (%1: %2). Install the package "
                 "again.");
// %1 the file, %2 the platform's description.
inline constexpr LanguageCode ProgramFileNotCopied =
    code("0142", "The station's file %1 cannot be written: %2");
} // namespace Messages

// The speed chart and the day summary, section "Day" of both language files.
namespace Day {
constexpr LanguageCode code(const char* c, const char* english) {
    return {QLatin1String("Day"), QLatin1String(c), english};
}
inline constexpr LanguageCode ChartButton = code("0001", "Speed chart");
inline constexpr LanguageCode DayButton = code("0002", "Day summary...");
inline constexpr LanguageCode ChartSpeed = code("0003", "Speed (kn)");
inline constexpr LanguageCode ChartEmpty = code("0004", "No record to chart.");
inline constexpr LanguageCode Title = code("0005", "Day summary");
inline constexpr LanguageCode KindHeader = code("0006", "Kind");
inline constexpr LanguageCode StartHeader = code("0007", "Start / arrival");
inline constexpr LanguageCode EndHeader = code("0008", "End / departure");
inline constexpr LanguageCode DurationHeader = code("0009", "Duration");
inline constexpr LanguageCode DistanceHeader = code("0010", "Distance (km)");
inline constexpr LanguageCode MaxSpeedHeader = code("0011", "Max. speed (kn)");
inline constexpr LanguageCode AverageSpeedHeader = code("0012", "Avg. speed (kn)");
inline constexpr LanguageCode PlaceHeader = code("0013", "Place");
inline constexpr LanguageCode Trip = code("0014", "Trip");
inline constexpr LanguageCode Stop = code("0015", "Stop");
// %1 trips, %2 stops, %3 km, %4 moving time, %5 stopped time, %6 and %7 knots.
inline constexpr LanguageCode Totals =
    code("0016", "Trips: %1, stops: %2. Driven %3 km in %4, stopped %5; max. %6 kn, avg. %7 kn");
inline constexpr LanguageCode StopRadiusLabel = code("0017", "Stop radius (m):");
inline constexpr LanguageCode StopMinutesLabel = code("0018", "Stop lasts at least (min):");
inline constexpr LanguageCode PoiRadiusLabel = code("0019", "Point of interest within (m):");
inline constexpr LanguageCode ApplyButton = code("0020", "Apply");
inline constexpr LanguageCode PrintButton = code("0021", "Print...");
inline constexpr LanguageCode CsvButton = code("0022", "Export CSV...");
inline constexpr LanguageCode CloseButton = code("0023", "Close");
// The span of the day: %1 its first, %2 its last record's time.
inline constexpr LanguageCode Span = code("0024", "%1 to %2");
inline constexpr LanguageCode NotPrinted = code("0025", "The day summary could not be printed.");
} // namespace Day

} // namespace modKeys
