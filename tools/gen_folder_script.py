#!/usr/bin/env python3
"""Writes resources/texts/mFIX_FOLDER_W10.reg, the stored script of the FOLDER repair.

The script restores the Windows 10 registration of the Folder shell class
(HKCR\\Folder with its verbs, handlers and ShellNew entry), removes the
system file association and the per-user choices for Folder, and rewrites the
known-folder definitions under HKLM\\...\\Explorer\\FolderDescriptions.

Only values that public Windows 10 data establishes are written:
  - HKCR\\Folder and its subkeys as a Windows 10 registry export shows them;
    "pintohome" as Windows 10 registers it;
  - for each known folder, what Windows 10's known-folder manager reports
    (category, path, parsing name, attributes, definition flags, security
    descriptor); a path is stored the way the registry stores it, as a parent
    known folder plus a relative path. The parent is the one a registry source
    names, or else the known folder the path lies directly in. No parent is
    written where that is ambiguous: the This PC entries ("Local Documents"
    and the like, which show the same folders as the user folders) and
    OneDrive's camera roll;
  - the OneDrive definition exactly as a Windows 10 export shows it;
  - the library PropertyBags and the This PC PropertyBags.
Resource strings (LocalizedName, InfoTip, Icon, StreamResource) are written
only where an export shows the exact string; elsewhere they are left out
rather than guessed.

Keys and values are in the order the Registry Editor exports them: key
sections sorted by name, values of a known-folder key by name.

  gen_folder_script.py [OUTPUT]   (default: resources/texts/mFIX_FOLDER_W10.reg)
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import regfmt  # noqa: E402

HEADER = 'Windows Registry Editor Version 5.00'
COMMENTS = [
    '; Folder shell class and known folder definitions of Windows 10.',
    '; Rewrites HKCR\\Folder, drops the per-user choices for Folder and',
    '; restores the FolderDescriptions entries of the known folders.',
]

FOLDER_DESCRIPTIONS = 'HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FolderDescriptions'
FILE_EXTS = 'HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\Folder'
ROAMING_FILE_EXTS = 'HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\Roaming\\OpenWith\\FileExts\\Folder'

DELEGATE_EXPLORER = '{11dbb47c-a525-400b-9e80-a54615a090c0}'


def sz(name, text):
    return ('sz', name, text)


def expand(name, text):
    return ('expand', name, text)


def dword(name, number):
    return ('dword', name, number)


def binary(name, hexbytes):
    return ('binary', name, hexbytes)


# HKCR\Folder of Windows 10, section by section, values in export order.
FOLDER_CLASS = [
    ('Folder', [
        sz('ContentViewModeLayoutPatternForBrowse', 'delta'),
        sz('ContentViewModeForBrowse', 'prop:~System.ItemNameDisplay;~System.LayoutPattern.PlaceHolder;'
           '~System.LayoutPattern.PlaceHolder;~System.LayoutPattern.PlaceHolder;System.DateModified'),
        sz('ContentViewModeLayoutPatternForSearch', 'alpha'),
        sz('ContentViewModeForSearch', 'prop:~System.ItemNameDisplay;System.DateModified;~System.ItemFolderPathDisplay'),
        sz('@', 'Folder'),
        binary('EditFlags', 'd2030000'),
        sz('FullDetails', 'prop:System.PropGroup.Description;System.ItemNameDisplay;System.ItemTypeText;System.Size'),
        sz('NoRecentDocs', ''),
        dword('ThumbnailCutoff', 0),
        sz('TileInfo', 'prop:System.Title;System.ItemTypeText'),
    ]),
    ('Folder\\DefaultIcon', [expand('@', '%SystemRoot%\\System32\\shell32.dll,3')]),
    ('Folder\\shell', []),
    ('Folder\\shell\\explore', [
        sz('MultiSelectModel', 'Document'),
        sz('ProgrammaticAccessOnly', ''),
        dword('LaunchExplorerFlags', 0x18),
    ]),
    ('Folder\\shell\\explore\\command', [sz('DelegateExecute', DELEGATE_EXPLORER)]),
    ('Folder\\shell\\open', [sz('MultiSelectModel', 'Document')]),
    ('Folder\\shell\\open\\command', [
        sz('DelegateExecute', DELEGATE_EXPLORER),
        expand('@', '%SystemRoot%\\Explorer.exe'),
    ]),
    ('Folder\\shell\\opennewprocess', [
        sz('MUIVerb', '@shell32.dll,-8518'),
        sz('MultiSelectModel', 'Document'),
        sz('Extended', ''),
        dword('LaunchExplorerFlags', 3),
        sz('ExplorerHost', '{ceff45ee-c862-41de-aee2-a022c81eda92}'),
    ]),
    ('Folder\\shell\\opennewprocess\\command', [sz('DelegateExecute', DELEGATE_EXPLORER)]),
    ('Folder\\shell\\opennewwindow', [
        sz('MUIVerb', '@shell32.dll,-8517'),
        sz('MultiSelectModel', 'Document'),
        sz('OnlyInBrowserWindow', ''),
        dword('LaunchExplorerFlags', 1),
    ]),
    ('Folder\\shell\\opennewwindow\\command', [sz('DelegateExecute', DELEGATE_EXPLORER)]),
    ('Folder\\shell\\pintohome', [
        sz('AppliesTo', 'System.ParsingName:<>"::{679f85cb-0220-4080-b29b-5540cc05aab6}" AND '
           'System.ParsingName:<>"::{645FF040-5081-101B-9F08-00AA002F954E}" AND '
           'System.IsFolder:=System.StructuredQueryType.Boolean#True'),
        sz('MUIVerb', '@shell32.dll,-51377'),
    ]),
    ('Folder\\shell\\pintohome\\command', [sz('DelegateExecute', '{b455f46e-e4af-4035-b0a4-cf18d2f6f28e}')]),
    ('Folder\\shellex\\ContextMenuHandlers\\BriefcaseMenu', [sz('@', '{85BBD920-42A0-1069-A2E4-08002B30309D}')]),
    ('Folder\\shellex\\ContextMenuHandlers\\Library Location', [sz('@', '{3dad6c5d-2167-4cae-9914-f99e41c12cfa}')]),
    ('Folder\\shellex\\ContextMenuHandlers\\Offline Files', [sz('@', '{474C98EE-CF3D-41f5-80E3-4AAB0AB04301}')]),
    ('Folder\\shellex\\ContextMenuHandlers\\PintoStartScreen', [sz('@', '{470C0EBD-5D73-4d58-9CED-E91E22E23282}')]),
    ('Folder\\shellex\\ContextMenuHandlers\\{a2a9545d-a0c2-42b4-9708-a0b2badd77c8}', [sz('@', 'Start Menu Pin')]),
    ('Folder\\shellex\\DragDropHandlers\\{BD472F60-27FA-11cf-B8B4-444553540000}', [sz('@', '')]),
    ('Folder\\shellex\\PropertySheetHandlers\\BriefcasePage', [sz('@', '{85BBD920-42A0-1069-A2E4-08002B30309D}')]),
    ('Folder\\shellex\\PropertySheetHandlers\\Offline Files', [sz('@', '{7EFA68C6-086B-43e1-A2D2-55A113531240}')]),
    ('Folder\\ShellNew', [
        sz('Directory', ''),
        expand('IconPath', '%SystemRoot%\\system32\\shell32.dll,3'),
        sz('ItemName', '@shell32.dll,-30396'),
        sz('MenuText', '@shell32.dll,-30317'),
        sz('NonLFNFileSpec', '@shell32.dll,-30319'),
    ]),
    ('Folder\\ShellNew\\Config', [
        sz('AllDrives', ''),
        sz('IsFolder', ''),
        sz('NoExtension', ''),
    ]),
]

# Known folders the definitions refer to as parents.
PROFILE = '{5E6C858F-0E22-4760-9AFE-EA3317B67173}'
ROAMING_APPDATA = '{3EB685DB-65F9-4CF6-A03A-E3EF65729F3D}'
LOCAL_APPDATA = '{F1B32785-6FBA-4FCF-9D55-7B8E7F157091}'
PROGRAM_DATA = '{62AB5D82-FDC1-4DC3-A9DD-070D1D495D97}'
PUBLIC = '{DFDF76A2-C82A-4D63-906A-5644AC457385}'
PUBLIC_LIBRARIES = '{48daf80b-e6cf-4f4e-b800-0e69d84ee384}'
LIBRARIES = '{1B3EA5DC-B587-4786-B4EF-BD1DC332AEAE}'
START_MENU = '{625B53C3-AB48-4EC1-BA1F-A1EF4146FC19}'
PROGRAMS = '{A77F5D77-2E2B-44C3-A6A2-ABA601054A51}'
COMMON_START_MENU = '{A4115719-D62E-491D-AA7C-E74B8BE3B067}'
COMMON_PROGRAMS = '{0139D44E-6AFE-49F2-8690-3DAFCAE6FFB8}'
QUICK_LAUNCH = '{52a4f021-7b75-48a9-9f6b-4b87a210bc8f}'
USER_PINNED = '{9e3995ab-1f9c-4f13-b827-48b24b6c7174}'
USER_PROGRAM_FILES = '{5CD7AEE2-2219-4A67-B85D-6C9CE15660CB}'
PICTURES = '{33E28130-4E1E-4676-835A-98395C3BC3BB}'
MUSIC = '{4BD8D571-6D19-48D3-BE97-422220080E43}'
VIDEOS = '{18989B1D-99B5-455B-841C-AB7C74E4DDFC}'
ONEDRIVE = '{A52BBA46-E9E1-435f-B3D9-28DAA648C0F6}'

THIS_PC = 'shell:::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\'
USERS_FILES = '::{59031a47-3f72-44a7-89c5-5595fe6b30ee}\\'
USERS_LIBRARIES = '::{031E4825-7B94-4dc3-B131-E946B44C8DD5}'
CONTROL_PANEL = '::{26EE0668-A00A-44D7-9371-BEB064C98683}\\0'
SYNC_CENTER = CONTROL_PANEL + '\\::{9C73F5E5-7AE7-4E32-A8E8-8D23B85255BF}'
PROGRAMS_AND_FEATURES = CONTROL_PANEL + '\\::{7b81be6a-ce2b-4676-a29e-eb907a5126c5}'

# Known-folder categories (KF_CATEGORY).
VIRTUAL, FIXED, COMMON, PERUSER = 1, 2, 3, 4

# FILE_ATTRIBUTE_* values of the Attributes value.
READONLY, HIDDEN, NOT_CONTENT_INDEXED = 0x1, 0x2, 0x2000

# Definition flags, each stored as its own DWORD value set to 1, and the
# flags without a value of their own, stored together in DefinitionFlags.
PRECREATE = 'PreCreate'
ROAMABLE = 'Roamable'
PUBLISH = 'PublishExpandedPath'
LOCAL_REDIRECT = 'LocalRedirectOnly'
STREAM = 'Stream'
NO_REDIRECT_UI = 0x40


def kf(guid, name, category, parent=None, path=None, parsing=None, attributes=0, flags=(), definition_flags=0,
       security=None, extra=(), bag=()):
    """One known-folder definition: its key's values sorted by name, and its PropertyBag values."""
    values = [dword('Category', category), sz('Name', name)]
    if parent:
        values.append(sz('ParentFolder', parent))
    if path:
        values.append(sz('RelativePath', path))
    if parsing:
        values.append(sz('ParsingName', parsing))
    if attributes:
        values.append(dword('Attributes', attributes))
    values += [dword(flag, 1) for flag in flags]
    if definition_flags:
        values.append(dword('DefinitionFlags', definition_flags))
    if security:
        values.append(sz('Security', security))
    values += list(extra)
    values.sort(key=lambda v: v[1].lower())
    return guid, values, list(bag)


def this_pc_bag():
    return [sz('ThisPCPolicy', 'Show')]


def dependent_on(*guids):
    return [sz('FoldersDependentOn', ';'.join(guids))]


def library(guid, name, file_name, flags):
    return kf(guid, name, PERUSER, LIBRARIES, file_name, USERS_LIBRARIES + '\\' + guid, flags=flags)


KNOWN_FOLDERS = [
    kf('{008ca0b1-55b4-4c56-b8a8-4de4b299d3be}', 'AccountPictures', PERUSER, ROAMING_APPDATA,
       'Microsoft\\Windows\\AccountPictures', attributes=READONLY, flags=(ROAMABLE, PRECREATE)),
    kf('{00BCFC5A-ED94-4e48-96A1-3F6217F21990}', 'Roaming Tiles', PERUSER, LOCAL_APPDATA,
       'Microsoft\\Windows\\RoamingTiles', flags=(PRECREATE, PUBLISH)),
    kf(COMMON_PROGRAMS, 'Common Programs', COMMON, COMMON_START_MENU, 'Programs', attributes=READONLY,
       flags=(PRECREATE,)),
    kf('{0482af6c-08f1-4c34-8c90-e17ec98b1e17}', 'PublicAccountPictures', PERUSER, PUBLIC, 'AccountPictures',
       attributes=READONLY | HIDDEN, flags=(PRECREATE,)),
    kf('{054FAE61-4DD8-4787-80B6-090220C4B700}', 'GameTasks', PERUSER, LOCAL_APPDATA,
       'Microsoft\\Windows\\GameExplorer', flags=(LOCAL_REDIRECT,)),
    kf('{0762D272-C50A-4BB0-A382-697DCD729B80}', 'UserProfiles', FIXED, attributes=READONLY, flags=(PRECREATE,),
       security='D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;GXGR;;;BU)(A;OICI;GXGR;;;WD)'),
    kf('{0AC0837C-BBF8-452A-850D-79D08E667CA7}', 'MyComputerFolder', VIRTUAL,
       parsing='::{20D04FE0-3AEA-1069-A2D8-08002B30309D}'),
    kf('{0D4C3DB6-03A3-462F-A0E6-08924C41B5D4}', 'SearchHistoryFolder', PERUSER, LOCAL_APPDATA,
       'Microsoft\\Windows\\ConnectedSearch\\History'),
    kf('{0ddd015d-b06c-45d5-8c4c-f59713854639}', 'Local Pictures', PERUSER,
       parsing=THIS_PC + '::{24ad3ad4-a569-4530-98e1-ab02f9417aa8}', attributes=READONLY, flags=(PRECREATE,),
       bag=this_pc_bag()),
    kf('{0F214138-B1D3-4a90-BBA9-27CBC0C5389A}', 'SyncSetupFolder', VIRTUAL,
       parsing=SYNC_CENTER + '\\::{F1390A9A-A3F4-4E5D-9C5F-98F3BD8D935C},'),
    kf('{10c07cd0-ef91-4567-b850-448b77cb37f9}', 'DpapiKeys', FIXED),
    kf('{12D4C69E-24AD-4923-BE19-31321C43A767}', 'Retail Demo', COMMON, PROGRAM_DATA,
       'Microsoft\\Windows\\RetailDemo'),
    kf('{1777F761-68AD-4D8A-87BD-30B759FA33DD}', 'Favorites', PERUSER, PROFILE, 'Favorites', attributes=READONLY,
       flags=(ROAMABLE, PRECREATE, PUBLISH)),
    kf(VIDEOS, 'My Video', PERUSER, PROFILE, 'Videos', THIS_PC + '::{A0953C92-50DC-43BF-BE83-3742FED03C9C}',
       attributes=READONLY, flags=(ROAMABLE, PRECREATE)),
    kf('{190337d1-b8ca-4121-a639-6d472d16972a}', 'SearchHomeFolder', VIRTUAL,
       parsing='::{9343812e-1c37-4a49-a12e-4b2d810d956b}'),
    kf('{1A6FDBA2-F42D-4358-A798-B74D745926C5}', 'RecordedTVLibrary', COMMON, PUBLIC_LIBRARIES,
       'RecordedTV.library-ms', flags=(PRECREATE, STREAM)),
    kf('{1AC14E77-02E7-4E5D-B744-2EB1AE5198B7}', 'System', FIXED),
    kf(LIBRARIES, 'Libraries', PERUSER, ROAMING_APPDATA, 'Microsoft\\Windows\\Libraries', flags=(PRECREATE, PUBLISH)),
    kf('{1C2AC1DC-4358-4B6C-9733-AF21156576F0}', 'ThisDeviceFolder', VIRTUAL,
       parsing='::{f8278c54-a712-415b-b593-b77a2be0dda9}'),
    library('{2112AB0A-C86A-4ffe-A368-0DE96E47012E}', 'MusicLibrary', 'Music.library-ms', (PRECREATE, STREAM)),
    kf('{2400183A-6185-49FB-A2D8-4A392A602BA3}', 'CommonVideo', COMMON, PUBLIC, 'Videos', attributes=READONLY,
       flags=(PRECREATE,)),
    kf('{24D89E24-2F19-4534-9DDE-6A6671FBB8FE}', 'OneDriveDocuments', PERUSER, ONEDRIVE, 'Documents',
       attributes=READONLY, definition_flags=NO_REDIRECT_UI),
    kf('{289a9a43-be44-4057-a41b-587a76d7e7f9}', 'SyncResultsFolder', VIRTUAL,
       parsing=SYNC_CENTER + '\\::{BC48B32F-5910-47F5-8570-5074A8A5636A},'),
    kf('{2A00375E-224C-49DE-B8D1-440DF7EF3DDC}', 'LocalizedResourcesDir', FIXED),
    kf('{2B0F765D-C0E9-4171-908E-08A611B84FF6}', 'Cookies', PERUSER, LOCAL_APPDATA, 'Microsoft\\Windows\\INetCookies'),
    library('{2B20DF75-1EDA-4039-8097-38798227D5B7}', 'CameraRollLibrary', 'CameraRoll.library-ms', (STREAM,)),
    kf('{2C36C0AA-5812-4B87-BFD0-4CD0DFB19B39}', 'Original Images', PERUSER, LOCAL_APPDATA,
       'Microsoft\\Windows Photo Gallery\\Original Images'),
    kf('{2f8b40c2-83ed-48ee-b383-a1f157ec6f9a}', 'Recorded Calls', PERUSER, PROFILE, 'Recorded Calls'),
    kf('{31C0DD25-9439-4F12-BF41-7FF4EDA38722}', '3D Objects', PERUSER, PROFILE, '3D Objects', flags=(PRECREATE,),
       bag=this_pc_bag()),
    kf('{3214FAB5-9757-4298-BB61-92A9DEAA44FF}', 'CommonMusic', COMMON, PUBLIC, 'Music', attributes=READONLY,
       flags=(PRECREATE,)),
    kf('{339719B5-8C47-4894-94C2-D8F77ADD44A6}', 'OneDrivePictures', PERUSER, ONEDRIVE, 'Pictures', attributes=READONLY,
       definition_flags=NO_REDIRECT_UI),
    kf(PICTURES, 'My Pictures', PERUSER, PROFILE, 'Pictures', THIS_PC + '::{3ADD1653-EB32-4CB0-BBD7-DFA0ABB5ACCA}',
       attributes=READONLY, flags=(ROAMABLE, PRECREATE)),
    kf('{352481E8-33BE-4251-BA85-6007CAEDCF9D}', 'Cache', PERUSER, LOCAL_APPDATA, 'Microsoft\\Windows\\INetCache',
       flags=(LOCAL_REDIRECT,)),
    kf('{35286a68-3c57-41a1-bbb1-0eae73d76c95}', 'Local Videos', PERUSER,
       parsing=THIS_PC + '::{f86fa3ab-70d2-4fc7-9c99-fcbf05467f3a}', attributes=READONLY, flags=(PRECREATE,),
       bag=this_pc_bag()),
    kf('{374DE290-123F-4565-9164-39C4925E467B}', 'Downloads', PERUSER, PROFILE, 'Downloads',
       THIS_PC + '::{374DE290-123F-4565-9164-39C4925E467B}', attributes=READONLY,
       flags=(ROAMABLE, PRECREATE, PUBLISH), security='S:AI(RA;IOOICI;;;;WD;("IMAGELOAD",TU,0x0,0x01))'),
    kf('{3B193882-D3AD-4eab-965A-69829D1FB59F}', 'SavedPictures', PERUSER, PICTURES, 'Saved Pictures'),
    kf('{3D644C9B-1FB8-4f30-9B45-F670235F79C0}', 'CommonDownloads', COMMON, PUBLIC, 'Downloads', attributes=READONLY,
       flags=(PRECREATE,)),
    kf(ROAMING_APPDATA, 'AppData', PERUSER, PROFILE, 'AppData\\Roaming'),
    kf('{43668BF8-C14E-49B2-97C9-747784D784B7}', 'SyncCenterFolder', VIRTUAL, parsing=SYNC_CENTER),
    kf(PUBLIC_LIBRARIES, 'PublicLibraries', COMMON, PUBLIC, 'Libraries', attributes=READONLY | HIDDEN,
       flags=(PRECREATE,)),
    library('{491E922F-5643-4af4-A7EB-4E7A138D8174}', 'VideosLibrary', 'Videos.library-ms', (PRECREATE, STREAM)),
    kf(MUSIC, 'My Music', PERUSER, PROFILE, 'Music', THIS_PC + '::{1CF1260C-4DD0-4EBB-811F-33C572699FDE}',
       attributes=READONLY, flags=(ROAMABLE, PRECREATE)),
    kf('{4bfefb45-347d-4006-a5be-ac0cb0567192}', 'ConflictFolder', VIRTUAL,
       parsing=SYNC_CENTER + '\\::{E413D040-6788-4C22-957E-175D1C513A34},'),
    kf('{4C5C32FF-BB9D-43b0-B5B4-2D72E54EAAA4}', 'SavedGames', PERUSER, PROFILE, 'Saved Games',
       USERS_FILES + '{4C5C32FF-BB9D-43b0-B5B4-2D72E54EAAA4}', attributes=READONLY,
       flags=(ROAMABLE, PRECREATE, PUBLISH)),
    kf('{4D9F7874-4E0C-4904-967B-40B0D20C3E4B}', 'InternetFolder', VIRTUAL,
       parsing='::{871C5380-42A0-1069-A2EA-08002B30309D}'),
    kf('{52528A6B-B9E3-4ADD-B60D-588C2DBA842D}', 'HomeGroupFolder', VIRTUAL,
       parsing='::{B4FB3F98-C1EA-428d-A78A-D1F5659CBA93}'),
    kf(QUICK_LAUNCH, 'Quick Launch', PERUSER, ROAMING_APPDATA, 'Microsoft\\Internet Explorer\\Quick Launch'),
    kf('{54EED2E0-E7CA-4FDB-9148-0F4247291CFA}', 'SystemCertificates', FIXED),
    kf('{56784854-C6CB-462b-8169-88E350ACB882}', 'Contacts', PERUSER, PROFILE, 'Contacts',
       USERS_FILES + '{56784854-C6CB-462B-8169-88E350ACB882}', attributes=READONLY,
       flags=(ROAMABLE, PRECREATE, PUBLISH)),
    kf(USER_PROGRAM_FILES, 'UserProgramFiles', PERUSER, LOCAL_APPDATA, 'Programs'),
    kf('{5CE4A5E9-E4EB-479D-B89F-130C02886155}', 'Device Metadata Store', COMMON, PROGRAM_DATA,
       'Microsoft\\Windows\\DeviceMetadataStore'),
    kf(PROFILE, 'Profile', FIXED),
    kf(START_MENU, 'Start Menu', PERUSER, ROAMING_APPDATA, 'Microsoft\\Windows\\Start Menu', attributes=READONLY,
       flags=(PRECREATE,)),
    kf(PROGRAM_DATA, 'Common AppData', FIXED),
    kf('{6365D5A7-0F0D-45e5-87F6-0DA56B6A4F7D}', 'ProgramFilesCommonX64', FIXED),
    kf('{69D2CF90-FC33-4FB7-9A0C-EBB0F0FCB43C}', 'PhotoAlbums', PERUSER, PICTURES, 'Slide Shows', attributes=READONLY),
    kf('{6D809377-6AF0-444b-8957-A3773F02200E}', 'ProgramFilesX64', FIXED),
    kf('{6F0CD92B-2E97-45D1-88FF-B0D186B8DEDD}', 'ConnectionsFolder', VIRTUAL,
       parsing=CONTROL_PANEL + '\\::{7007ACC7-3202-11D1-AAD2-00805FC1270E}'),
    kf('{724EF170-A42D-4FEF-9F26-B60E846FBA4F}', 'Administrative Tools', PERUSER, PROGRAMS, 'Administrative Tools',
       attributes=READONLY, flags=(PRECREATE,)),
    kf('{754AC886-DF64-4CBA-86B5-F7FBF4FBCEF5}', 'ThisPCDesktopFolder', PERUSER,
       parsing=THIS_PC + '::{B4BFCC3A-DB2C-424C-B029-7FE99A87C641}', attributes=READONLY, flags=(ROAMABLE,)),
    kf('{767E6811-49CB-4273-87C2-20F355E1085B}', 'OneDriveCameraRoll', PERUSER,
       attributes=READONLY, definition_flags=NO_REDIRECT_UI),
    kf('{76FC4E2D-D6AD-4519-A663-37BD56068185}', 'PrintersFolder', VIRTUAL,
       parsing='::{21EC2020-3AEA-1069-A2DD-08002B30309D}\\::{2227A280-3AEA-1069-A2DE-08002B30309D}'),
    library('{7b0db17d-9cd2-4a93-9733-46cc89022e7c}', 'DocumentsLibrary', 'Documents.library-ms', (PRECREATE, STREAM)),
    kf('{7C5A40EF-A0FB-4BFC-874A-C0F2E0B9FA8E}', 'ProgramFilesX86', FIXED, attributes=READONLY, flags=(PRECREATE,)),
    kf('{7d1d3a04-debb-4115-95cf-2f29da2920da}', 'Searches', PERUSER, PROFILE, 'Searches',
       USERS_FILES + '{7d1d3a04-debb-4115-95cf-2f29da2920da}', attributes=READONLY, flags=(PRECREATE, PUBLISH)),
    kf('{7d83ee9b-2244-4e70-b1f5-5393042af1e4}', 'Local Downloads', PERUSER,
       parsing=THIS_PC + '::{088e3905-0323-4b02-9826-5d99428e115f}', attributes=READONLY, flags=(PRECREATE,),
       bag=this_pc_bag()),
    kf('{7E636BFE-DFA9-4D5E-B456-D7B39851D8A9}', 'SearchTemplatesFolder', PERUSER, LOCAL_APPDATA,
       'Microsoft\\Windows\\ConnectedSearch\\Templates'),
    kf('{82A5EA35-D9CD-47C5-9629-E15D2F714E6E}', 'Common Startup', COMMON, COMMON_PROGRAMS, 'StartUp',
       attributes=READONLY, flags=(PRECREATE,)),
    kf('{82A74AEB-AEB4-465C-A014-D097EE346D63}', 'ControlPanelFolder', VIRTUAL, parsing=CONTROL_PANEL),
    kf('{8983036C-27C0-404B-8F08-102D10DCFD74}', 'SendTo', PERUSER, ROAMING_APPDATA, 'Microsoft\\Windows\\SendTo'),
    kf('{8AD10C31-2ADB-4296-A8F7-E4701232C972}', 'ResourceDir', FIXED),
    kf('{905e63b6-c1bf-494e-b29c-65b732d3d21a}', 'ProgramFiles', FIXED, attributes=READONLY, flags=(PRECREATE,)),
    kf('{915221fb-9efe-4bda-8fd7-f78dca774f87}', 'CredentialManager', FIXED),
    kf('{9274BD8D-CFD1-41C3-B35E-B13F55A758F4}', 'PrintHood', PERUSER, ROAMING_APPDATA,
       'Microsoft\\Windows\\Printer Shortcuts'),
    kf('{98ec0e18-2098-4d44-8644-66979315a281}', 'MAPIFolder', VIRTUAL,
       parsing='shell:::{89D83576-6BD1-4C86-9454-BEB04E94C819}\\*'),
    kf('{9B74B6A3-0DFD-4f11-9E78-5F7800F2E772}', 'HomeGroupCurrentUserFolder', VIRTUAL,
       parsing='::{B4FB3F98-C1EA-428d-A78A-D1F5659CBA93}\\$CurrentUser$'),
    kf(USER_PINNED, 'User Pinned', PERUSER, QUICK_LAUNCH, 'User Pinned', attributes=HIDDEN, flags=(PRECREATE,)),
    kf('{9E52AB10-F80D-49DF-ACB8-4330F5687855}', 'CD Burning', PERUSER, LOCAL_APPDATA, 'Microsoft\\Windows\\Burn\\Burn',
       attributes=READONLY, flags=(LOCAL_REDIRECT,)),
    kf('{a0c69a99-21c8-4671-8703-7934162fcf1d}', 'Local Music', PERUSER,
       parsing=THIS_PC + '::{3dfdf296-dbec-4fb4-81d1-6a3438bcf4de}', attributes=READONLY, flags=(PRECREATE,),
       bag=this_pc_bag()),
    kf('{A302545D-DEFF-464b-ABE8-61C8648D939B}', 'UsersLibrariesFolder', VIRTUAL, parsing=USERS_LIBRARIES,
       bag=[dword('NoCustomize', 1)]),
    kf('{a305ce99-f527-492b-8b1a-7e76fa98d6e4}', 'AppUpdatesFolder', VIRTUAL,
       parsing=PROGRAMS_AND_FEATURES + '\\::{d450a8a1-9568-45c7-9c0e-b4f9fb4537bd}'),
    kf('{A3918781-E5F2-4890-B3D9-A7E54332328C}', 'Application Shortcuts', PERUSER, LOCAL_APPDATA,
       'Microsoft\\Windows\\Application Shortcuts', attributes=READONLY, flags=(PRECREATE,)),
    kf(COMMON_START_MENU, 'Common Start Menu', COMMON, PROGRAM_DATA, 'Microsoft\\Windows\\Start Menu',
       attributes=READONLY, flags=(PRECREATE,)),
    kf('{A440879F-87A0-4F7D-B700-0207B966194A}', 'Common Start Menu Places', COMMON, PROGRAM_DATA,
       'Microsoft\\Windows\\Start Menu Places', attributes=READONLY, flags=(PRECREATE,)),
    kf('{A520A1A4-1780-4FF6-BD18-167343C5AF16}', 'LocalAppDataLow', PERUSER, PROFILE, 'AppData\\LocalLow',
       attributes=NOT_CONTENT_INDEXED, flags=(LOCAL_REDIRECT, PRECREATE, PUBLISH), security='S:(ML;OICI;NW;;;LW)'),
    kf(ONEDRIVE, 'OneDrive', PERUSER, PROFILE, 'OneDrive', 'shell:::{018D5C66-4533-4307-9B53-224DE2ED1FE6}',
       attributes=READONLY, flags=(LOCAL_REDIRECT,), definition_flags=NO_REDIRECT_UI,
       extra=[expand('Icon', '%SystemRoot%\\system32\\imageres.dll,-1040'),
              expand('LocalizedName', '@%SystemRoot%\\System32\\SettingSyncCore.dll,-1024')]),
    kf('{A63293E8-664E-48DB-A079-DF759E0509F7}', 'Templates', PERUSER, ROAMING_APPDATA, 'Microsoft\\Windows\\Templates'),
    kf(PROGRAMS, 'Programs', PERUSER, START_MENU, 'Programs', attributes=READONLY, flags=(PRECREATE,)),
    library('{A990AE9F-A03B-4e80-94BC-9912D7504104}', 'PicturesLibrary', 'Pictures.library-ms', (PRECREATE, STREAM)),
    kf('{AAA8D5A5-F1D6-4259-BAA8-78E7EF60835E}', 'Roamed Tile Images', PERUSER, LOCAL_APPDATA,
       'Microsoft\\Windows\\RoamedTileImages'),
    kf('{AB5FB87B-7CE2-4F83-915D-550846C9537B}', 'Camera Roll', PERUSER, PICTURES, 'Camera Roll'),
    kf('{AE50C081-EBD2-438A-8655-8A092E34987A}', 'Recent', PERUSER, ROAMING_APPDATA, 'Microsoft\\Windows\\Recent',
       attributes=READONLY, flags=(PRECREATE,)),
    kf('{B4BFCC3A-DB2C-424C-B029-7FE99A87C641}', 'Desktop', PERUSER, PROFILE, 'Desktop', attributes=READONLY,
       flags=(ROAMABLE, PRECREATE, PUBLISH)),
    kf('{B6EBFB86-6907-413C-9AF7-4FC2ABF07CC5}', 'CommonPictures', COMMON, PUBLIC, 'Pictures', attributes=READONLY,
       flags=(PRECREATE,)),
    kf('{B7534046-3ECB-4C18-BE4E-64CD4CB7D6AC}', 'RecycleBinFolder', VIRTUAL,
       parsing='::{645FF040-5081-101B-9F08-00AA002F954E}'),
    kf('{b7bede81-df94-4682-a7d8-57a52620b86f}', 'Screenshots', PERUSER, PICTURES, 'Screenshots'),
    kf('{B88F4DAA-E7BD-49A9-B74D-02885A5DC765}', 'CryptoKeys', FIXED),
    kf('{B94237E7-57AC-4347-9151-B08C6C32D1F7}', 'Common Templates', COMMON, PROGRAM_DATA,
       'Microsoft\\Windows\\Templates'),
    kf('{B97D20BB-F46A-4C97-BA10-5E3608430854}', 'Startup', PERUSER, PROGRAMS, 'StartUp', attributes=READONLY,
       flags=(PRECREATE,)),
    kf('{BCB5256F-79F6-4CEE-B725-DC34E402FD46}', 'ImplicitAppShortcuts', PERUSER, USER_PINNED, 'ImplicitAppShortcuts',
       flags=(PRECREATE,)),
    kf('{BCBD3057-CA5C-4622-B42D-BC56DB0AE516}', 'UserProgramFilesCommon', PERUSER, USER_PROGRAM_FILES, 'Common'),
    kf('{bfb9d5e0-c6a9-404c-b2b2-ae6db6af4968}', 'Links', PERUSER, PROFILE, 'Links',
       USERS_FILES + '{bfb9d5e0-c6a9-404c-b2b2-ae6db6af4968}', attributes=READONLY,
       flags=(ROAMABLE, PRECREATE, PUBLISH)),
    kf('{C1BAE2D0-10DF-4334-BEDD-7AA20B227A9D}', 'OEM Links', COMMON, PROGRAM_DATA, 'OEM Links'),
    kf('{C3F2459E-80D6-45DC-BFEF-1F769F2BE730}', 'OneDriveMusic', PERUSER, ONEDRIVE, 'Music', attributes=READONLY,
       definition_flags=NO_REDIRECT_UI),
    kf('{C4AA340D-F20F-4863-AFEF-F87EF2E6BA25}', 'Common Desktop', COMMON, PUBLIC, 'Desktop',
       attributes=READONLY | HIDDEN, flags=(PRECREATE,),
       security='D:P(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;IU)(A;OICI;FA;;;SY)'),
    kf('{C5ABBF53-E17F-4121-8900-86626FC2C973}', 'NetHood', PERUSER, ROAMING_APPDATA,
       'Microsoft\\Windows\\Network Shortcuts'),
    kf('{C870044B-F49E-4126-A9C3-B52A1FF411E8}', 'Ringtones', PERUSER, LOCAL_APPDATA, 'Microsoft\\Windows\\Ringtones',
       flags=(PRECREATE,)),
    kf('{CAC52C1A-B53D-4edc-92D7-6B2E8AC19434}', 'Games', VIRTUAL, parsing='::{ED228FDF-9EA8-4870-83b1-96b02CFE0D52}'),
    kf('{D0384E7D-BAC3-4797-8F14-CBA229B392B5}', 'Common Administrative Tools', COMMON, COMMON_PROGRAMS,
       'Administrative Tools', attributes=READONLY, flags=(PRECREATE,)),
    kf('{D20BEEC4-5CA8-4905-AE3B-BF251EA09B53}', 'NetworkPlacesFolder', VIRTUAL,
       parsing='::{F02C1A0D-BE21-4350-88B0-7367FC96EF3C}'),
    kf('{D65231B0-B2F1-4857-A4CE-A8E7C6EA7D27}', 'SystemX86', FIXED),
    kf('{D9DC8A3B-B784-432E-A781-5A1130A75963}', 'History', PERUSER, LOCAL_APPDATA, 'Microsoft\\Windows\\History',
       flags=(LOCAL_REDIRECT,)),
    kf('{DBE8E08E-3053-4BBC-B183-2A7B2B191E59}', 'Development Files', PERUSER, LOCAL_APPDATA, 'DevelopmentFiles'),
    kf('{de61d971-5ebc-4f02-a3a9-6c82895e5c04}', 'AddNewProgramsFolder', VIRTUAL,
       parsing='shell:' + CONTROL_PANEL + '\\::{15eae92e-f17a-4431-9f28-805e482dafd4}'),
    kf('{DE92C1C7-837F-4F69-A3BB-86E631204A23}', 'Playlists', PERUSER, MUSIC, 'Playlists', attributes=READONLY),
    kf('{DE974D24-D9C6-4D3E-BF91-F4455120B917}', 'ProgramFilesCommonX86', FIXED),
    kf('{DEBF2536-E1A8-4c59-B6A2-414586476AEA}', 'PublicGameTasks', COMMON, PROGRAM_DATA,
       'Microsoft\\Windows\\GameExplorer', flags=(LOCAL_REDIRECT,)),
    kf('{df7266ac-9274-4867-8d55-3bd661de872d}', 'ChangeRemoveProgramsFolder', VIRTUAL, parsing=PROGRAMS_AND_FEATURES),
    kf(PUBLIC, 'Public', FIXED, attributes=READONLY, flags=(PRECREATE,),
       security='D:PAI(A;OICI;FA;;;BA)(A;OICIIO;FA;;;CO)(A;OICI;FA;;;SY)(A;OICIIO;0x1301ff;;;IU)(A;;0x1200af;;;IU)'
                '(A;OICIIO;0x1301ff;;;SU)(A;;0x1200af;;;SU)(A;OICIIO;0x1301ff;;;S-1-5-3)(A;;0x1200af;;;S-1-5-3)'),
    library('{E25B5812-BE88-4bd9-94B0-29233477B6C3}', 'SavedPicturesLibrary', 'SavedPictures.library-ms', (STREAM,)),
    kf('{E555AB60-153B-4D17-9F04-A5FE99FC15EC}', 'CommonRingtones', COMMON, PROGRAM_DATA,
       'Microsoft\\Windows\\Ringtones', flags=(PRECREATE,)),
    kf('{ED4824AF-DCE4-45A8-81E2-FC7965083634}', 'Common Documents', COMMON, PUBLIC, 'Documents', attributes=READONLY,
       flags=(PRECREATE,)),
    kf('{EDC0FE71-98D8-4F4A-B920-C8DC133CB165}', 'Captures', PERUSER, VIDEOS, 'Captures'),
    kf('{ee32e446-31ca-4aba-814f-a5ebd2fd6d5e}', 'CSCFolder', VIRTUAL,
       parsing='shell:::{BD7A2E7B-21CB-41b2-A086-B309680C6B7E}\\*'),
    kf(LOCAL_APPDATA, 'Local AppData', PERUSER, PROFILE, 'AppData\\Local', flags=(LOCAL_REDIRECT, PUBLISH)),
    kf('{F38BF404-1D43-42F2-9305-67DE0B28FC23}', 'Windows', FIXED),
    kf('{f3ce0f7c-4901-4acc-8648-d5d44b04ef8f}', 'UsersFilesFolder', VIRTUAL,
       parsing='::{59031a47-3f72-44a7-89c5-5595fe6b30ee}'),
    kf('{f42ee2d3-909f-4907-8871-4c22fc0bf756}', 'Local Documents', PERUSER,
       parsing=THIS_PC + '::{d3162b92-9365-467a-956b-92703aca08af}', attributes=READONLY, flags=(PRECREATE,),
       bag=this_pc_bag()),
    kf('{F7F1ED05-9F6D-47A2-AAAE-29D317C6F066}', 'ProgramFilesCommon', FIXED),
    kf('{FD228CB7-AE11-4AE3-864C-16F3910AB8FE}', 'Fonts', FIXED),
    kf('{FDD39AD0-238F-46AF-ADB4-6C85480369C7}', 'Personal', PERUSER, PROFILE, 'Documents',
       THIS_PC + '::{A8CDFF1C-4878-43be-B5FD-F8091C1C60D0}', attributes=READONLY, flags=(ROAMABLE, PRECREATE)),
]

# The libraries' PropertyBags name the folders each library is built on.
LIBRARY_BAGS = {
    '{2112AB0A-C86A-4ffe-A368-0DE96E47012E}': dependent_on(MUSIC, '{3214FAB5-9757-4298-BB61-92A9DEAA44FF}'),
    '{491E922F-5643-4af4-A7EB-4E7A138D8174}': dependent_on(VIDEOS, '{2400183A-6185-49FB-A2D8-4A392A602BA3}'),
    '{7b0db17d-9cd2-4a93-9733-46cc89022e7c}': dependent_on('{FDD39AD0-238F-46AF-ADB4-6C85480369C7}',
                                                            '{ED4824AF-DCE4-45A8-81E2-FC7965083634}'),
    '{A990AE9F-A03B-4e80-94BC-9912D7504104}': dependent_on(PICTURES, '{B6EBFB86-6907-413C-9AF7-4FC2ABF07CC5}'),
}


def value_lines(value):
    kind, name, data = value
    if kind == 'sz':
        return regfmt.sz(name, data)
    if kind == 'expand':
        return regfmt.hex2(name, data)
    if kind == 'binary':
        return regfmt.binary(name, bytes.fromhex(data))
    if kind == 'dword':
        return [regfmt.value_prefix(name) + 'dword:%08x' % data]
    raise ValueError(kind)


def section(path, values=()):
    lines = ['[' + path + ']']
    for value in values:
        lines += value_lines(value)
    return lines


def script_lines():
    sections = [section('HKEY_CLASSES_ROOT\\' + path, values) for path, values in FOLDER_CLASS]
    sections.append(['[-HKEY_CLASSES_ROOT\\SystemFileAssociations\\Folder]'])
    sections.append(['[-' + FILE_EXTS + ']'])
    sections.append(['[-' + ROAMING_FILE_EXTS + ']'])
    for guid, values, bag in KNOWN_FOLDERS:
        key = FOLDER_DESCRIPTIONS + '\\' + guid
        sections.append(section(key, values))
        bag = bag or LIBRARY_BAGS.get(guid, [])
        if bag:
            sections.append(section(key + '\\PropertyBag', bag))

    lines = [HEADER, ''] + COMMENTS + ['']
    for body in sections:
        lines.append('')
        lines += body
    return lines


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out = argv[1] if len(argv) > 1 else os.path.join(here, '..', 'resources', 'texts', 'mFIX_FOLDER_W10.reg')
    lines = script_lines()
    text = '\r\n'.join(lines) + '\r\n'
    with open(out, 'wb') as f:
        f.write(text.encode('ascii'))
    print('%s: %d lines' % (out, len(lines)))


if __name__ == '__main__':
    main(sys.argv)
