#pragma once

#include <QByteArray>

#include <plist/plist.h>

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace sv::test {

// A keyed archive assembled with libplist, for reading by us.
struct LibplistArchive {
    plist_t root = plist_new_dict();
    plist_t objects = plist_new_array();

    LibplistArchive() { plist_array_append_item(objects, plist_new_string("$null")); }
    ~LibplistArchive() { plist_free(root); }

    uint64_t add(plist_t object)
    {
        plist_array_append_item(objects, object);
        return plist_array_get_size(objects) - 1;
    }
    uint64_t addClass(std::initializer_list<const char*> chain)
    {
        plist_t cls = plist_new_dict();
        plist_dict_set_item(cls, "$classname", plist_new_string(*chain.begin()));
        plist_t names = plist_new_array();
        for (const char* name : chain)
            plist_array_append_item(names, plist_new_string(name));
        plist_dict_set_item(cls, "$classes", names);
        return add(cls);
    }
    plist_t object(uint64_t cls)
    {
        plist_t o = plist_new_dict();
        plist_dict_set_item(o, "$class", plist_new_uid(cls));
        return o;
    }
    uint64_t date(plist_t time)
    {
        plist_t d = object(addClass({"NSDate", "NSObject"}));
        plist_dict_set_item(d, "NS.time", time);
        return add(d);
    }
    uint64_t array(const std::vector<uint64_t>& items, std::initializer_list<const char*> chain = {"NSArray", "NSObject"})
    {
        plist_t a = object(addClass(chain));
        plist_t list = plist_new_array();
        for (uint64_t i : items)
            plist_array_append_item(list, plist_new_uid(i));
        plist_dict_set_item(a, "NS.objects", list);
        return add(a);
    }
    uint64_t dictionary(const std::vector<std::pair<const char*, uint64_t>>& entries,
                        std::initializer_list<const char*> chain = {"NSDictionary", "NSObject"})
    {
        plist_t d = object(addClass(chain));
        plist_t keys = plist_new_array(), values = plist_new_array();
        for (const auto& [k, v] : entries) {
            plist_array_append_item(keys, plist_new_uid(add(plist_new_string(k))));
            plist_array_append_item(values, plist_new_uid(v));
        }
        plist_dict_set_item(d, "NS.keys", keys);
        plist_dict_set_item(d, "NS.objects", values);
        return add(d);
    }
    QByteArray bytes(uint64_t top)
    {
        plist_dict_set_item(root, "$archiver", plist_new_string("NSKeyedArchiver"));
        plist_dict_set_item(root, "$version", plist_new_uint(100000));
        plist_t topDict = plist_new_dict();
        plist_dict_set_item(topDict, "root", plist_new_uid(top));
        plist_dict_set_item(root, "$top", topDict);
        plist_dict_set_item(root, "$objects", objects);
        char* bin = nullptr;
        uint32_t length = 0;
        plist_to_bin(root, &bin, &length);
        QByteArray data(bin, qsizetype(length));
        plist_to_bin_free(bin);
        objects = nullptr;
        return data;
    }
};

} // namespace sv::test
