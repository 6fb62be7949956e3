# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -DIN=a.xml:b.xml -DOUT=folder -P SplitInterfaces.cmake: writes each interface of
# the introspection documents to OUT/<interface name>.xml, as /usr/share/dbus-1/interfaces
# keeps them.
cmake_minimum_required(VERSION 3.25)
file(MAKE_DIRECTORY ${OUT})
string(REPLACE ":" ";" files "${IN}")
foreach(file IN LISTS files)
    file(READ ${file} document)
    # Walked with string positions, not lists: the XML holds semicolons (&lt;).
    while(TRUE)
        string(FIND "${document}" "<interface name=\"" start)
        string(FIND "${document}" "</interface>" end)
        if(start EQUAL -1 OR end EQUAL -1)
            break()
        endif()
        math(EXPR length "${end} + 12 - ${start}")
        string(SUBSTRING "${document}" ${start} ${length} interface)
        math(EXPR rest "${end} + 12")
        string(SUBSTRING "${document}" ${rest} -1 document)
        string(REGEX MATCH "^<interface name=\"([^\"]+)\"" ignored "${interface}")
        file(WRITE ${OUT}/${CMAKE_MATCH_1}.xml
            "<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n<node>\n  ${interface}\n</node>\n")
    endwhile()
endforeach()
