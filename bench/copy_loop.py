"""What a user would write instead of the program: list Originali and copy
every file whose name holds the search text into Modificati, renamed.

Usage: copy_loop.py PROGRAM_FOLDER SEARCH_TEXT REPLACEMENT_TEXT
"""
import os
import shutil
import sys

folder, search, replacement = sys.argv[1:4]
source = os.path.join(folder, "Originali")
target = os.path.join(folder, "Modificati")
for name in os.listdir(source):
    if search in name:
        shutil.copyfile(os.path.join(source, name),
                        os.path.join(target, name.replace(search, replacement, 1)))
