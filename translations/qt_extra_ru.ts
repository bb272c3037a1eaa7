<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- Qt's own texts that its Russian translation (qtbase_ru) lacks in the Qt this program is
     built with: installed after Qt's, so the file dialogs are Russian whole. Written by hand;
     the sources are Qt's, which lupdate here does not read. -->
<TS version="2.1" language="ru_RU" sourcelanguage="en">
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Drive</source>
        <translation>Диск</translation>
    </message>
    <message>
        <source>Folder</source>
        <comment>All other platforms</comment>
        <translation>Папка</translation>
    </message>
    <message>
        <source>File Folder</source>
        <comment>Match Windows Explorer</comment>
        <translation>Папка с файлами</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <comment>All other platforms</comment>
        <translation>Ярлык</translation>
    </message>
    <message>
        <source>Alias</source>
        <comment>OS X Finder</comment>
        <translation>Псевдоним</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Неизвестный</translation>
    </message>
</context>
</TS>
