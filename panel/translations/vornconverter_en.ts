<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- The window's own texts in English; its messages come from the engine's table. -->
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>VornConverterPanel</name>
    <message>
        <source>すべてのファイル (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>プロアトラスファイル（*.mps）</source>
        <translation>ProAtlas files (*.mps)</translation>
    </message>
    <message>
        <source>Waypoint+ファイル（*.txt）</source>
        <translation>Waypoint+ files (*.txt)</translation>
    </message>
    <message>
        <source>VornConnect[標準]ファイル（*.vrc）</source>
        <translation>VornConnect [standard] files (*.vrc)</translation>
    </message>
    <message>
        <source>VornPointer[標準]ファイル（*.vrp）</source>
        <translation>VornPointer [standard] files (*.vrp)</translation>
    </message>
    <message>
        <source>VornPointer[Garmin]ファイル（*.vrm）</source>
        <translation>VornPointer [Garmin] files (*.vrm)</translation>
    </message>
    <message>
        <source>VornPointer[GarminNmea]ファイル（*.vrn）</source>
        <translation>VornPointer [GarminNmea] files (*.vrn)</translation>
    </message>
    <message>
        <source>GPXファイル（*.gpx）</source>
        <translation>GPX files (*.gpx)</translation>
    </message>
    <message>
        <source>KMLファイル（*.kml）</source>
        <translation>KML files (*.kml)</translation>
    </message>
    <message>
        <source>NMEAファイル（*.nmea;*.log）</source>
        <translation>NMEA files (*.nmea;*.log)</translation>
    </message>
    <message>
        <source>プレビューを表示</source>
        <translation>Show the preview</translation>
    </message>
    <message>
        <source>プレビューを隠す</source>
        <translation>Hide the preview</translation>
    </message>
    <message>
        <source>元のファイル: %1</source>
        <translation>Original file: %1</translation>
    </message>
    <message>
        <source>変換したファイル: %1</source>
        <translation>Converted file: %1</translation>
    </message>
    <message>
        <source>変換は完了しませんでした</source>
        <translation>The conversion did not complete</translation>
    </message>
    <message>
        <source>表示するデータがありません</source>
        <translation>Nothing to show</translation>
    </message>
    <message>
        <source>速度不明</source>
        <translation>speed unknown</translation>
    </message>
    <message>
        <source>開始</source>
        <translation>start</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>end</translation>
    </message>
</context>
</TS>
