"""Writes the example fixture types (GDTF) and scene (MVR) that examples/stage.toml plays.

    python examples/make_show_files.py [FOLDER]     (default: examples/show)

Both formats are zip archives of one XML description: a GDTF file holds
description.xml (the fixture type: its attributes, geometry and DMX modes),
an MVR file holds GeneralSceneDescription.xml (layers of fixture instances,
each with its GDTF file, mode, DMX address and place) and the GDTF files it
names. Only what pulsework-live reads is written: no models or thumbnails.

The two fixture types are made up for the example: a 16-bit spot with zoom
(pan 540°, tilt 270°) and an 8-bit mirror scanner whose tilt runs the other
way (higher DMX values aim lower).
"""
import os
import sys
import uuid
import zipfile
from xml.etree import ElementTree as ET

# A channel: (attribute, DMX offsets, physical from, physical to, seconds for
# the whole travel or 0, seconds to reach full speed or 0). Pan and tilt are
# in degrees; the offsets list coarse first, then fine.
SPOT = ("Example Spot 16", "16 bit", [
    ("Pan", (1, 2), -270.0, 270.0, 2.7, 0.25),
    ("Tilt", (3, 4), -135.0, 135.0, 1.6, 0.2),
    ("Zoom", (5,), 8.0, 40.0, 0.0, 0.0),
    ("Dimmer", (6,), 0.0, 100.0, 0.0, 0.0),
])
SCANNER = ("Example Scanner 8", "8 bit", [
    ("Pan", (1,), -85.0, 85.0, 0.5, 0.05),
    ("Tilt", (2,), 45.0, -45.0, 0.4, 0.05),
    ("Dimmer", (3,), 0.0, 100.0, 0.0, 0.0),
])
FEATURES = {"Pan": ("Position", "PanTilt", "Angle"), "Tilt": ("Position", "PanTilt", "Angle"),
            "Zoom": ("Focus", "Focus", "Angle"), "Focus1": ("Focus", "Focus", "None"),
            "Dimmer": ("Dimmer", "Dimmer", "LuminousIntensity")}
# The head holds the beam; the yoke pans and the head tilts.
GEOMETRY = {"Pan": "Yoke", "Tilt": "Head"}


def gdtf_description(name, modes):
    """The description.xml of a fixture type: `modes` is [(mode name, channels)]."""
    root = ET.Element("GDTF", DataVersion="1.2")
    fixture = ET.SubElement(root, "FixtureType", Name=name, ShortName=name, LongName=name,
                            Manufacturer="pulsework examples", Description="",
                            FixtureTypeID=str(uuid.uuid5(uuid.NAMESPACE_URL, name)).upper(),
                            RefFT="", Thumbnail="")
    definitions = ET.SubElement(fixture, "AttributeDefinitions")
    groups = ET.SubElement(definitions, "FeatureGroups")
    attributes = ET.SubElement(definitions, "Attributes")
    used = sorted({channel[0] for _mode, channels in modes for channel in channels})
    for group in sorted({FEATURES[a][0] for a in used}):
        node = ET.SubElement(groups, "FeatureGroup", Name=group, Pretty=group)
        for feature in sorted({FEATURES[a][1] for a in used if FEATURES[a][0] == group}):
            ET.SubElement(node, "Feature", Name=feature)
    for attribute in used:
        group, feature, unit = FEATURES[attribute]
        ET.SubElement(attributes, "Attribute", Name=attribute, Pretty=attribute,
                      Feature="%s.%s" % (group, feature), PhysicalUnit=unit)
    for tag in ("Wheels", "PhysicalDescriptions", "Models"):
        ET.SubElement(fixture, tag)
    geometries = ET.SubElement(fixture, "Geometries")
    base = ET.SubElement(geometries, "Geometry", Name="Base", Position=_IDENTITY)
    yoke = ET.SubElement(base, "Axis", Name="Yoke", Position=_IDENTITY)
    head = ET.SubElement(yoke, "Axis", Name="Head", Position=_IDENTITY)
    ET.SubElement(head, "Beam", Name="Beam", Position=_IDENTITY, BeamAngle="25", FieldAngle="30")
    dmx_modes = ET.SubElement(fixture, "DMXModes")
    for mode_name, channels in modes:
        mode = ET.SubElement(dmx_modes, "DMXMode", Name=mode_name, Geometry="Base")
        dmx_channels = ET.SubElement(mode, "DMXChannels")
        for attribute, offsets, low, high, fade, acceleration in channels:
            geometry = GEOMETRY.get(attribute, "Beam")
            size = len(offsets)
            function = "%s 1" % attribute
            channel = ET.SubElement(
                dmx_channels, "DMXChannel", DMXBreak="1", Offset=",".join(map(str, offsets)),
                InitialFunction="%s_%s.%s.%s" % (geometry, attribute, attribute, function),
                Highlight="None", Geometry=geometry)
            logical = ET.SubElement(channel, "LogicalChannel", Attribute=attribute, Snap="No",
                                    Master="None", MibFade="0", DMXChangeTimeLimit="0")
            ET.SubElement(logical, "ChannelFunction", Name=function, Attribute=attribute,
                          OriginalAttribute="", DMXFrom="0/%d" % size,
                          Default="%d/%d" % (1 << (8 * size - 1), size),
                          PhysicalFrom="%g" % low, PhysicalTo="%g" % high,
                          RealFade="%g" % fade, RealAcceleration="%g" % acceleration)
        ET.SubElement(mode, "Relations")
        ET.SubElement(mode, "FTMacros")
    for tag in ("Revisions", "FTPresets", "Protocols"):
        ET.SubElement(fixture, tag)
    return _xml(root)


_IDENTITY = "{1,0,0,0}{0,1,0,0}{0,0,1,0}{0,0,0,1}"


def write_gdtf(path, name, mode, channels):
    """A GDTF file of one fixture type with one DMX mode."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("description.xml", gdtf_description(name, [(mode, channels)]))


def scene_description(layers, classes=()):
    """The GeneralSceneDescription.xml of a scene. `layers` is [(layer name,
    [fixture])], each fixture a dict: name, gdtf (the file's name in the
    archive), mode, universe, address, position (x, y, z in metres) and
    optionally class (a name from `classes`) and id (its number)."""
    root = ET.Element("GeneralSceneDescription", verMajor="1", verMinor="6",
                      provider="pulsework examples", providerVersion="1")
    scene = ET.SubElement(root, "Scene")
    aux = ET.SubElement(scene, "AUXData")
    class_ids = {}
    for name in classes:
        class_ids[name] = str(uuid.uuid5(uuid.NAMESPACE_URL, "class " + name)).upper()
        ET.SubElement(aux, "Class", uuid=class_ids[name], name=name)
    layers_node = ET.SubElement(scene, "Layers")
    for layer_name, fixtures in layers:
        layer = ET.SubElement(layers_node, "Layer", name=layer_name,
                              uuid=str(uuid.uuid5(uuid.NAMESPACE_URL, "layer " + layer_name)))
        children = ET.SubElement(layer, "ChildList")
        for fixture in fixtures:
            node = ET.SubElement(children, "Fixture", name=fixture["name"], uuid=str(
                uuid.uuid5(uuid.NAMESPACE_URL, "%s %s" % (layer_name, fixture["name"]))))
            x, y, z = (value * 1000 for value in fixture["position"])  # MVR counts millimetres
            ET.SubElement(node, "Matrix").text = "{1,0,0}{0,1,0}{0,0,1}{%g,%g,%g}" % (x, y, z)
            if fixture.get("class"):
                ET.SubElement(node, "Classing").text = class_ids[fixture["class"]]
            ET.SubElement(node, "GDTFSpec").text = fixture["gdtf"]
            ET.SubElement(node, "GDTFMode").text = fixture["mode"]
            addresses = ET.SubElement(node, "Addresses")
            ET.SubElement(addresses, "Address", attrib={"break": "0"}).text = "%d.%d" % (
                fixture["universe"], fixture["address"])
            ET.SubElement(node, "FixtureID").text = str(fixture.get("id", ""))
            ET.SubElement(node, "FixtureIDNumeric").text = str(fixture.get("id", 0))
    return _xml(root)


def write_mvr(path, layers, fixture_types, classes=()):
    """An MVR file: the scene and, inside it, the GDTF files it names
    (`fixture_types` maps each name to a GDTF file on disk)."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("GeneralSceneDescription.xml", scene_description(layers, classes))
        for name, source in sorted(fixture_types.items()):
            archive.write(source, name)


def _xml(root):
    ET.indent(root)
    return ET.tostring(root, encoding="UTF-8", xml_declaration=True)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    files = {}
    for fixture_type, file_name in ((SPOT, "spot.gdtf"), (SCANNER, "scanner.gdtf")):
        files[file_name] = os.path.join(folder, file_name)
        write_gdtf(files[file_name], *fixture_type)
    # Eight spots along a truss 5 m up, 1 m apart, on universe 1 from address 1
    # (16 channels apart); four more on a floor truss upstage.
    truss = [dict(name="Spot %d" % (i + 1), id=101 + i, gdtf="spot.gdtf", mode=SPOT[1],
                  universe=1, address=1 + 16 * i, position=(i - 3.5, 0.0, 5.0),
                  **{"class": "Spots"}) for i in range(8)]
    floor = [dict(name="Floor spot %d" % (i + 1), id=201 + i, gdtf="spot.gdtf", mode=SPOT[1],
                  universe=1, address=129 + 16 * i, position=(2.0 * i - 3.0, 4.0, 0.5),
                  **{"class": "Spots"}) for i in range(4)]
    scene = os.path.join(folder, "stage.mvr")
    write_mvr(scene, [("Truss", truss), ("Floor", floor)], {"spot.gdtf": files["spot.gdtf"]},
              classes=["Spots"])
    for path in sorted(files.values()) + [scene]:
        print("wrote %s" % path)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "show"))
