#pragma once

#include <string>
#include <vector>

class CliArgs;

// Each command takes the arguments after its name and returns the exit code.
int CliInfo(const std::vector<std::string>& args);
int CliExport(const std::vector<std::string>& args);
int CliStats(const std::vector<std::string>& args);
int CliIntervals(const std::vector<std::string>& args);
int CliSave(const std::vector<std::string>& args);
int CliSaveAll(const std::vector<std::string>& args);
int CliMerge(const std::vector<std::string>& args);
#ifdef TERVIK_CLI_RENDER
int CliRender(const std::vector<std::string>& args);
int CliReport(const std::vector<std::string>& args);
int CliCompare(const std::vector<std::string>& args);
int CliCalendar(const std::vector<std::string>& args);
int CliProfile(const std::vector<std::string>& args);
// --size WxH of the drawing commands: each side 1 to 8192 pixels.
bool ParsePictureSize(const std::string& text, int& w, int& h);
// --size WxH (width and height hold the default) and --scale K of a drawing
// command, and --view XMIN YMIN XMAX YMAX (left as it is when not given):
// kExitOk, or the usage status after the message.
int ReadPictureSize(const CliArgs& args, int& width, int& height, int& scale);
int ReadChartView(const CliArgs& args, double view[4]);
#endif
#ifdef TERVIK_CLI_DEVICE
int CliDevices(const std::vector<std::string>& args);
int CliRead(const std::vector<std::string>& args);
#endif
